#include "platform/linux/provider/sources/storage/cdrom_identifier.h"

#include "platform/linux/provider/sources/system/proc_files.h"

namespace hwident {
namespace {

std::string BlanksAsUnderscores(std::string text) {
  for (char& c : text) {
    if (c == ' ') c = '_';
  }
  return text;
}

// A longer field is cut: the identifier's fields have fixed widths.
std::string PaddedField(const std::string& text, std::size_t width) {
  std::string field = BlanksAsUnderscores(text).substr(0, width);
  field.resize(width, '_');
  return field;
}

std::string TrailingBlanksDropped(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(0, end);
}

}  // namespace

std::string InquiryField(const std::string& field) {
  return BlanksAsUnderscores(TrailingBlanksDropped(field));
}

// Upper-casing last also folds the instance part, as Windows shows it.
std::string IdeCdromId(const std::string& model, const std::string& revision,
                       const std::string& instance) {
  return ToUpper("IDE\\CDROM" + PaddedField(model, 40) + PaddedField(revision, 8) + "\\" +
                 instance);
}

std::string ScsiCdromId(const std::string& vendor, const std::string& product,
                        const std::string& instance) {
  return ToUpper("SCSI\\CDROM&VEN_" + InquiryField(vendor) + "&PROD_" + InquiryField(product) +
                 "\\" + instance);
}

std::string UsbCdromId(const std::string& vendor, const std::string& product,
                       const std::string& revision, const std::string& instance) {
  return ToUpper("USBSTOR\\CDROM&VEN_" + InquiryField(vendor) + "&PROD_" + InquiryField(product) +
                 "&REV_" + InquiryField(revision) + "\\" + instance);
}

}  // namespace hwident
