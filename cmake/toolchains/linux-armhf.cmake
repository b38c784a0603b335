# Cross build for 32-bit ARM Linux, hard-float (Debian's
# g++-arm-linux-gnueabihf). The compiler's default, ARMv7-A with Thumb-2 and
# VFPv3-D16, runs on the oldest armhf cores (Cortex-A7).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7)
set(toolchain_prefix arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${toolchain_prefix}-gcc)
set(CMAKE_CXX_COMPILER ${toolchain_prefix}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
