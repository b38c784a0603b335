# One interface target that every target links: language level, warnings and,
# when HWIDENT_SANITIZE is on, AddressSanitizer and UndefinedBehaviorSanitizer.
# The fuzz build instruments every library the same way (see below).
add_library(hwident_settings INTERFACE)
target_compile_features(hwident_settings INTERFACE cxx_std_20)
target_compile_options(hwident_settings INTERFACE -Wall -Wextra -Werror)
target_include_directories(hwident_settings INTERFACE ${PROJECT_SOURCE_DIR}/src)
# On 32-bit Linux (armhf) file offsets, inode numbers and times are 64-bit
# only when asked for: without it stat and readdir fail with EOVERFLOW on any
# file system handing out large inode numbers or directory offsets (XFS,
# btrfs, overlays, NFS), and a directory listing comes back empty. No effect
# on 64-bit systems.
if(NOT WIN32)
  target_compile_definitions(hwident_settings INTERFACE _FILE_OFFSET_BITS=64 _TIME_BITS=64)
endif()

option(HWIDENT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(HWIDENT_SANITIZE)
  target_compile_options(hwident_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(hwident_settings INTERFACE -fsanitize=address,undefined)
endif()

# How the Linux program links the C and C++ runtimes. A process start is
# mostly the dynamic loader's work, so each shared library less is time
# saved: static-cxx puts libstdc++ and libgcc inside the program and keeps
# only the C library shared, static puts everything inside (the release
# build's choice: the program then needs nothing from the host, so one build
# runs on any Linux of its architecture, however old its C library;
# bench/process.sh measures the three). A static program must never look up
# users, groups or host names: glibc would load its name-service modules at
# run time, from the host, whatever their version.
set(HWIDENT_RUNTIME_LINK shared CACHE STRING
  "Runtime linking of the Linux program: shared, static-cxx or static")
set_property(CACHE HWIDENT_RUNTIME_LINK PROPERTY STRINGS shared static-cxx static)
if(NOT WIN32)
  if(HWIDENT_RUNTIME_LINK STREQUAL "static-cxx")
    target_link_options(hwident_settings INTERFACE -static-libstdc++ -static-libgcc)
  elseif(HWIDENT_RUNTIME_LINK STREQUAL "static")
    # Position-independent where the C library has the start file for it
    # (Debian's armhf cross library has none), so the program keeps ASLR.
    include(CheckLinkerFlag)
    check_linker_flag(CXX -static-pie HWIDENT_HAS_STATIC_PIE)
    if(HWIDENT_HAS_STATIC_PIE)
      target_link_options(hwident_settings INTERFACE -static-pie)
    else()
      target_link_options(hwident_settings INTERFACE -static)
    endif()
  elseif(NOT HWIDENT_RUNTIME_LINK STREQUAL "shared")
    message(FATAL_ERROR "HWIDENT_RUNTIME_LINK: shared, static-cxx or static, not ${HWIDENT_RUNTIME_LINK}")
  endif()
endif()

# A fuzz build instruments every target, not only the harnesses: libFuzzer
# steers by the coverage of the code under test, and the sanitizers must see
# inside the parsers. fuzzer-no-link adds the coverage hooks without
# libFuzzer's main; the fuzz executables link that themselves.
if(HWIDENT_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(hwident_settings INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(hwident_settings INTERFACE -fsanitize=address,undefined)
endif()
