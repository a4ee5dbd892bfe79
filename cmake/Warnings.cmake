# Every target of the project links quillo_warnings: one place for the warning set.
add_library(quillo_warnings INTERFACE)
target_compile_options(quillo_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
  -Wno-missing-field-initializers
  # Results of the sun and moon series must not move with the compiler's choice to fuse
  # multiply and add.
  -ffp-contract=off)

# CI builds with warnings as errors (make passes it when CI is set); for everyone else a
# warning stays a warning, so that a newer compiler never stops a build.
option(QUILLO_WERROR "Treat warnings as errors" OFF)
if(QUILLO_WERROR)
  target_compile_options(quillo_warnings INTERFACE -Werror)
endif()
