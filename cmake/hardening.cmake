# The hardening Debian builds its own packages with: stack protector, stack
# clash protection, fortified C library calls, control-flow protection on
# x86-64, and a position-independent executable whose relocations are bound
# at start and then read-only. A flag is taken only where the toolchain
# accepts it, so a cross build (mingw-w64, aarch64) takes what applies. The
# web page takes none: WebAssembly keeps return addresses out of the memory a
# program can write, and has no ELF loader. Sanitizer builds take none: their
# own checks see more without the fortified library calls.
option(DETERMINANT_HARDENING "Build with the hardening flags of Debian's packages" ON)
if(NOT DETERMINANT_HARDENING OR DETERMINANT_SANITIZE OR EMSCRIPTEN
   OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  return()
endif()

include(CheckCXXSourceCompiles)

# A buffer on the stack and a library call the C library can fortify, so the
# check links whatever run-time support the flags need.
set(hardening_probe "#include <cstring>
int main(int argc, char **argv) { char copy[64]; std::strncpy(copy, argv[0], sizeof copy - 1); copy[63] = 0; return copy[argc]; }")

# Adds the COMPILE flags to every compile and the LINK flags to every link
# when a program built with them all and -Werror links. OPTIMIZED flags skip
# Debug builds: fortification needs the optimizer, and would only warn.
function(harden name)
  cmake_parse_arguments(PARSE_ARGV 1 harden "OPTIMIZED" "" "COMPILE;LINK")
  set(CMAKE_REQUIRED_QUIET ON)
  list(JOIN harden_COMPILE " " compile_flags)
  set(CMAKE_REQUIRED_FLAGS "-O2 -Werror ${compile_flags}")
  set(CMAKE_REQUIRED_LINK_OPTIONS ${harden_LINK})
  check_cxx_source_compiles("${hardening_probe}" DETERMINANT_HARDENING_${name})
  if(NOT DETERMINANT_HARDENING_${name})
    return()
  endif()
  foreach(flag IN LISTS harden_COMPILE)
    if(harden_OPTIMIZED)
      add_compile_options("$<$<NOT:$<CONFIG:Debug>>:${flag}>")
    else()
      add_compile_options(${flag})
    endif()
  endforeach()
  add_link_options(${harden_LINK})
endfunction()

harden(STACK_PROTECTOR COMPILE -fstack-protector-strong LINK -fstack-protector-strong)
harden(FORTIFY OPTIMIZED COMPILE -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
# The rest is for ELF systems. Windows probes every stack page itself
# (mingw-w64's g++ 12 even crashes on -fstack-clash-protection in the AVX2
# code), does not enforce the branch targets -fcf-protection marks, and
# relocates and binds its executables in its own way.
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
  harden(STACK_CLASH COMPILE -fstack-clash-protection)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    harden(CF_PROTECTION COMPILE -fcf-protection)
  endif()
  harden(PIE COMPILE -fPIE LINK -pie)
  harden(RELRO_NOW LINK -Wl,-z,relro,-z,now)
endif()
