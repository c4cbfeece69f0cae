# The toolchain of the Emscripten that is installed, wherever it is: its root
# from the cache variable EMSCRIPTEN_ROOT_PATH if given, else from em-config.
if(NOT EMSCRIPTEN_ROOT_PATH)
  find_program(DETERMINANT_EM_CONFIG em-config)
  if(NOT DETERMINANT_EM_CONFIG)
    message(FATAL_ERROR "The web build needs Emscripten: em-config is not on the PATH "
                        "(Debian: apt-get install emscripten), or set EMSCRIPTEN_ROOT_PATH.")
  endif()
  execute_process(COMMAND ${DETERMINANT_EM_CONFIG} EMSCRIPTEN_ROOT
                  OUTPUT_VARIABLE EMSCRIPTEN_ROOT_PATH OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
# Checks of the compiler run in projects of their own, which need it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES EMSCRIPTEN_ROOT_PATH)
include(${EMSCRIPTEN_ROOT_PATH}/cmake/Modules/Platform/Emscripten.cmake)
