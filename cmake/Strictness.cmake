# One interface target carries the language level, warnings and Qt's safety switches for every target.
add_library(telvane_strict INTERFACE)
target_compile_features(telvane_strict INTERFACE cxx_std_20)
# The warning switches go by compiler: GCC and Clang share theirs; MSVC gets its own equivalent set (its
# sources are UTF-8, as everywhere here).
if(CMAKE_CXX_COMPILER_ID STREQUAL "MSVC")
  target_compile_options(telvane_strict INTERFACE /W4 /permissive- /utf-8)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(telvane_strict INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion -Wno-sign-conversion
    -Wno-conversion)
endif()
target_compile_definitions(telvane_strict INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_USE_QSTRINGBUILDER QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
