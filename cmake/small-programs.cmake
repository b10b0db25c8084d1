# The Windows programs are carried by the setup programs, and the whole
# installation must stay small. They are built for size, apart from the tests
# and the Linux tool, which keep the normal flags:
#
#   veltrix_small_program(target)  compiles the target and a private copy of every
#       vx_* library it links (name_small, same sources) for size and without
#       exceptions or run-time type information, adds the runtime replacements
#       (app/runtime) so that no exception support is linked, drops unused
#       sections and strips the symbols. Call it after target_link_libraries.
#   veltrix_program_icon(target)  compiles the program icon (group resource 300,
#       drawn at build time by tools/makeicon) into the target as its only resource.
#
# Sizes of the 32-bit program measured step by step are in the README.
# VELTRIX_SMALL_PROGRAMS=OFF builds the programs with the normal flags and
# symbols instead, for debugging.
option(VELTRIX_SMALL_PROGRAMS "Build the Windows programs for size" ON)

# -fdata-sections is left out on purpose: for PE targets GCC puts every
# zero-initialised variable of its own section into .data, so the file would
# carry the zeros of every buffer (it came out 5 KB larger, not smaller).
# Unwind tables are only needed by exception support, which the programs lack.
set(VELTRIX_SMALL_COMPILE_OPTIONS
    -Os -ffunction-sections
    -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -fno-unwind-tables)
set(VELTRIX_SMALL_LINK_OPTIONS -Wl,--gc-sections -s)

# name_small: the library `name` again from the same sources, built for size,
# linking the small copies of its own vx_* libraries.
function(veltrix_small_library name)
  if(TARGET ${name}_small)
    return()
  endif()
  get_target_property(sources ${name} SOURCES)
  get_target_property(dependencies ${name} INTERFACE_LINK_LIBRARIES)
  add_library(${name}_small STATIC EXCLUDE_FROM_ALL ${sources})
  target_include_directories(${name}_small PUBLIC ${CMAKE_SOURCE_DIR}/app)
  target_compile_options(${name}_small PRIVATE ${VELTRIX_SMALL_COMPILE_OPTIONS})
  if(dependencies)
    veltrix_small_links(small_dependencies ${dependencies})
    target_link_libraries(${name}_small PUBLIC ${small_dependencies})
  endif()
endfunction()

# Maps a list of link items: each vx_* library to its small copy (made on first
# use), everything else (system libraries) unchanged.
function(veltrix_small_links out)
  set(mapped "")
  foreach(item IN LISTS ARGN)
    if(TARGET ${item} AND item MATCHES "^vx_")
      veltrix_small_library(${item})
      list(APPEND mapped ${item}_small)
    else()
      list(APPEND mapped ${item})
    endif()
  endforeach()
  set(${out} ${mapped} PARENT_SCOPE)
endfunction()

# Replacement operator new and delete and the library's throw helpers, linked as
# an object (never from an archive) so that they take precedence.
function(veltrix_small_runtime)
  if(TARGET vx_runtime)
    return()
  endif()
  add_library(vx_runtime OBJECT ${CMAKE_SOURCE_DIR}/app/runtime/runtime.cpp)
  target_include_directories(vx_runtime PRIVATE ${CMAKE_SOURCE_DIR}/app)
  target_compile_options(vx_runtime PRIVATE ${VELTRIX_SMALL_COMPILE_OPTIONS})
endfunction()

function(veltrix_small_program target)
  if(NOT VELTRIX_SMALL_PROGRAMS)
    return()
  endif()
  veltrix_small_runtime()
  get_target_property(links ${target} LINK_LIBRARIES)
  if(links)
    veltrix_small_links(small_links ${links})
    set_property(TARGET ${target} PROPERTY LINK_LIBRARIES ${small_links})
  endif()
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:vx_runtime>)
  target_compile_options(${target} PRIVATE ${VELTRIX_SMALL_COMPILE_OPTIONS})
  target_link_options(${target} PRIVATE ${VELTRIX_SMALL_LINK_OPTIONS})
endfunction()
