# The Windows programs are carried by the setup programs, and the whole
# installation must stay small. They are built for size, apart from the tests
# and the Linux tool, which keep the normal flags:
#
#   veltrix_small_program(target [MAX_KB n])  compiles the target and a private
#       copy of every vx_* library it links (name_small, same sources) for size
#       and without exceptions or run-time type information, adds the runtime
#       replacements (app/runtime) so that no exception support is linked, drops
#       unused sections and strips the symbols. Call it after
#       target_link_libraries. The test <target>_image checks the built program:
#       system DLLs only, its resources, and at most MAX_KB in the 32-bit build.
#   veltrix_program_icon(target [SIDES n...])  compiles the program icon (group
#       resource 300, drawn at build time by tools/makeicon) into the target as
#       its only resource; SIDES chooses its pictures (VELTRIX_ICON_SIDES unless given).
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
  foreach(property INCLUDE_DIRECTORIES INTERFACE_INCLUDE_DIRECTORIES COMPILE_DEFINITIONS
                   INTERFACE_COMPILE_DEFINITIONS COMPILE_OPTIONS)
    get_target_property(value ${name} ${property})
    if(value)
      set_property(TARGET ${name}_small PROPERTY ${property} ${value})
    endif()
  endforeach()
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

# The only libraries a program may import from: those of every Windows system.
set(VELTRIX_SYSTEM_DLLS
    kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll
    advapi32.dll shell32.dll ole32.dll msvcrt.dll)

# The tests of the programs made so far, registered at the end of the top
# directory, where testing has been enabled.
function(veltrix_program_image_tests)
  if(NOT BUILD_TESTING)
    return()
  endif()
  list(JOIN VELTRIX_SYSTEM_DLLS "," allowed)
  get_property(targets GLOBAL PROPERTY VELTRIX_SMALL_PROGRAM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(max_kb ${target} VELTRIX_MAX_KB)
    set(limit "")
    if(max_kb AND CMAKE_SIZEOF_VOID_P EQUAL 4)
      math(EXPR max_bytes "${max_kb} * 1024")
      set(limit -DMAX_BYTES=${max_bytes})
    endif()
    add_test(NAME ${target}_image
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DOBJDUMP=${CMAKE_OBJDUMP}
              -DALLOWED_DLLS=${allowed} -DICON=$<TARGET_PROPERTY:${target},VELTRIX_ICON>
              -DICON_IMAGES=$<TARGET_PROPERTY:${target},VELTRIX_ICON_IMAGES> ${limit}
              -P ${CMAKE_SOURCE_DIR}/cmake/check-program.cmake)
  endforeach()
endfunction()

function(veltrix_small_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "MAX_KB" "")
  set_target_properties(${target} PROPERTIES VELTRIX_MAX_KB "${arg_MAX_KB}")
  get_property(targets GLOBAL PROPERTY VELTRIX_SMALL_PROGRAM_TARGETS)
  if(NOT targets)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL veltrix_program_image_tests)
  endif()
  set_property(GLOBAL APPEND PROPERTY VELTRIX_SMALL_PROGRAM_TARGETS ${target})
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

# The host programs the build runs: the icon painter, the setup tree builder
# and the `veltrix` tool that converts the sample library. A cross build builds
# them with a native configure of this same tree (only these targets, with the
# tests off), so the icon comes from the very renderer the program uses.
#
# Both Windows presets point VELTRIX_HOST_TOOLS_DIR at one shared folder, so the
# native tools are built once for the two of them rather than once each.
set(VELTRIX_HOST_TOOLS_DIR "${CMAKE_BINARY_DIR}/host-tools" CACHE PATH
    "Where a cross build builds its native host tools")
set(VELTRIX_HOST_TOOL_NAMES makeicon maketree veltrix)
set(VELTRIX_HOST_TOOL_PATHS tools/makeicon tools/maketree app/cli/veltrix)

function(veltrix_host_tool_path tool out)
  if(NOT CMAKE_CROSSCOMPILING)
    set(${out} $<TARGET_FILE:${tool}> PARENT_SCOPE)
    return()
  endif()
  set(host_dir ${VELTRIX_HOST_TOOLS_DIR})
  set(tools "")
  set(paths "")
  foreach(name path IN ZIP_LISTS VELTRIX_HOST_TOOL_NAMES VELTRIX_HOST_TOOL_PATHS)
    list(APPEND tools ${name})
    list(APPEND paths ${host_dir}/${path})
    if(name STREQUAL tool)
      set(tool_path ${host_dir}/${path})
    endif()
  endforeach()
  if(NOT TARGET veltrix_host_tools)
    include(ExternalProject)
    # Under make the native build shares the outer build's job slots.
    if(CMAKE_GENERATOR MATCHES "Make")
      set(build_command "$(MAKE)" ${tools})
    else()
      set(build_command ${CMAKE_COMMAND} --build ${host_dir} --target ${tools})
    endif()
    # Always asked to build, so that a change to the tool or the core reaches
    # it; when nothing changed the native build finishes at once.
    ExternalProject_Add(veltrix_host_tools
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${host_dir}
      CMAKE_ARGS -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
                 -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1
                 -DBUILD_TESTING=OFF -DVELTRIX_TINY_TESTS=OFF
      BUILD_COMMAND ${build_command}
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${paths}
      INSTALL_COMMAND "")
  endif()
  set(${out} ${tool_path} PARENT_SCOPE)
endfunction()

# The icon's pictures, square, in pixels.
set(VELTRIX_ICON_SIDES 16 32 48)

function(veltrix_program_icon target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SIDES")
  set(sides ${VELTRIX_ICON_SIDES})
  if(arg_SIDES)
    set(sides ${arg_SIDES})
  endif()
  veltrix_host_tool_path(makeicon makeicon)
  set(ico ${CMAKE_CURRENT_BINARY_DIR}/${target}.ico)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-icon.rc)
  set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}-icon.res.obj)
  file(CONFIGURE OUTPUT ${rc} CONTENT "300 ICON \"${ico}\"\n")
  set(tool_target makeicon)
  if(CMAKE_CROSSCOMPILING)
    set(tool_target veltrix_host_tools)
  endif()
  add_custom_command(OUTPUT ${ico}
    COMMAND ${makeicon} ${ico} ${sides}
    DEPENDS ${tool_target} ${makeicon}
    COMMENT "Drawing the program icon")
  add_custom_command(OUTPUT ${object}
    COMMAND ${CMAKE_RC_COMPILER} -O coff -i ${rc} -o ${object}
    DEPENDS ${rc} ${ico}
    COMMENT "Compiling the program icon")
  target_sources(${target} PRIVATE ${object})
  list(LENGTH sides images)
  set_target_properties(${target} PROPERTIES VELTRIX_ICON 300 VELTRIX_ICON_IMAGES ${images})
endfunction()
