# One interface target that every target links: language level, warnings and,
# when HWIDENT_SANITIZE is on, AddressSanitizer and UndefinedBehaviorSanitizer.
add_library(hwident_settings INTERFACE)
target_compile_features(hwident_settings INTERFACE cxx_std_20)
target_compile_options(hwident_settings INTERFACE -Wall -Wextra -Werror)
target_include_directories(hwident_settings INTERFACE ${PROJECT_SOURCE_DIR}/src)

option(HWIDENT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(HWIDENT_SANITIZE)
  target_compile_options(hwident_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(hwident_settings INTERFACE -fsanitize=address,undefined)
endif()
