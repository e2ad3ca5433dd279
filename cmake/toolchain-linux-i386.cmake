# Builds for 32-bit x86 Linux with the host's multilib g++ and runs the programs the build
# makes (tests, test discovery) under qemu-i386, since the host kernel may refuse 32-bit
# programs. Floating point uses SSE2, so results never depend on x87 extra precision (the
# project adds _FILE_OFFSET_BITS=64 on 32-bit targets). Libraries and pkg-config files come
# from the i386 multiarch folders only, so no 64-bit library is ever picked up.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(korvex_i386_flags "-m32 -msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "${korvex_i386_flags}")
set(CMAKE_CXX_FLAGS_INIT "${korvex_i386_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake
    /usr/include/x86_64-linux-gnu)

find_program(KORVEX_QEMU_I386 qemu-i386)
if(KORVEX_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVEX_QEMU_I386})
endif()
