# Warning flags for every target the project compiles itself.
add_library(vekparser_warnings INTERFACE)
target_compile_options(vekparser_warnings INTERFACE -Wall -Wextra -Wpedantic
  $<$<BOOL:${VEKPARSER_WERROR}>:-Werror>
  # GCC 12 reports false -Wrestrict overlaps inside std::string's operator+ when optimising
  # (GCC bug 105329); clang still checks the project's own code for real overlaps.
  $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
