# Warning flags for every target the project compiles itself.
add_library(vekparser_warnings INTERFACE)
target_compile_options(vekparser_warnings INTERFACE -Wall -Wextra -Wpedantic
  $<$<BOOL:${VEKPARSER_WERROR}>:-Werror>)
