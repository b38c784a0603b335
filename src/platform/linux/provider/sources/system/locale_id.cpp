#include "platform/linux/provider/sources/system/locale_id.h"

#include <sstream>

namespace hwident {
namespace {

struct LocaleEntry {
  std::string_view name;
  std::uint16_t id;
};

// The commonest locales, from Microsoft's locale identifier list.
constexpr LocaleEntry kLocales[] = {
    {"ar_SA", 0x0401}, {"bg_BG", 0x0402}, {"ca_ES", 0x0403}, {"zh_TW", 0x0404}, {"cs_CZ", 0x0405},
    {"da_DK", 0x0406}, {"de_DE", 0x0407}, {"el_GR", 0x0408}, {"en_US", 0x0409}, {"es_ES", 0x0C0A},
    {"fi_FI", 0x040B}, {"fr_FR", 0x040C}, {"he_IL", 0x040D}, {"hu_HU", 0x040E}, {"is_IS", 0x040F},
    {"it_IT", 0x0410}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"nl_NL", 0x0413}, {"nb_NO", 0x0414},
    {"pl_PL", 0x0415}, {"pt_BR", 0x0416}, {"ro_RO", 0x0418}, {"ru_RU", 0x0419}, {"hr_HR", 0x041A},
    {"sk_SK", 0x041B}, {"sv_SE", 0x041D}, {"th_TH", 0x041E}, {"tr_TR", 0x041F}, {"id_ID", 0x0421},
    {"uk_UA", 0x0422}, {"sl_SI", 0x0424}, {"et_EE", 0x0425}, {"lv_LV", 0x0426}, {"lt_LT", 0x0427},
    {"vi_VN", 0x042A}, {"hi_IN", 0x0439}, {"ms_MY", 0x043E}, {"zh_CN", 0x0804}, {"de_CH", 0x0807},
    {"en_GB", 0x0809}, {"es_MX", 0x080A}, {"fr_BE", 0x080C}, {"it_CH", 0x0810}, {"nl_BE", 0x0813},
    {"nn_NO", 0x0814}, {"pt_PT", 0x0816}, {"sr_RS", 0x241A}, {"zh_HK", 0x0C04}, {"de_AT", 0x0C07},
    {"en_AU", 0x0C09}, {"fr_CA", 0x0C0C}, {"zh_SG", 0x1004}, {"en_CA", 0x1009}, {"fr_CH", 0x100C},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"en_SG", 0x4809},
    {"es_AR", 0x2C0A}, {"es_CO", 0x240A}, {"es_CL", 0x340A}, {"es_US", 0x540A},
};

std::optional<std::string> LangOf(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, 5, "LANG=") != 0) continue;
    std::string value = line.substr(5);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    if (!value.empty()) return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> SystemLocaleName(Machine& machine) {
  for (const char* path : {"/etc/locale.conf", "/etc/default/locale"}) {
    const auto& text = machine.Raw(path);
    if (!text) continue;
    if (const auto lang = LangOf(*text)) return lang;
  }
  return std::nullopt;
}

std::optional<std::uint16_t> LocaleIdOf(std::string_view name) {
  const std::string_view base = name.substr(0, name.find_first_of(".@"));
  for (const LocaleEntry& entry : kLocales) {
    if (entry.name == base) return entry.id;
  }
  return std::nullopt;
}

}  // namespace hwident
