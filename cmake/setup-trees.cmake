# The trees every setup program carries, made at build time by tools/maketree
# from the one description of an installation (setup/trees/release.txt), so that
# what a release installs and what removes it again cannot drift apart:
#
#   veltrix_carried_trees(<target> RELEASE current|2000 SIDE install|update|uninstall)
#       generates the source that defines vx::setup::kCarriedTrees for <target>
#       and adds it to the target:
#         install    release r's registry tree, shortcut tree, payload (its
#                    program and uninstaller images and its samples) and browser value
#         update     the current release's install side, and the removal side of
#                    "Veltrix 2000": its whole registry tree, its shortcut deletion
#                    list and the file deletion list that also holds the samples
#                    earlier releases shipped
#         uninstall  release r's removal side: the values its uninstaller removes,
#                    the shortcut deletion list and the file deletion list (the
#                    payload's layout without contents)
#       An installer also gets the test <target>_payload_image, which sums the
#       bytes its payload writes and, in the 32-bit build, fails at 450 KB or more.
#   veltrix_shipped_tree_files(<target>)
#       makes every tree of both releases as files for a test program (with
#       stand-ins for the program images in a native build) and tells the program
#       where they are (VELTRIX_SHIPPED_TREES and the payload sources).
#
# The work is done at the end of the top directory, when the program images'
# targets (veltrix, veltrix2000, uninstal, uninstal2000) exist wherever they are
# defined. A build without such a target (the native one, or a Windows build
# before the program exists) carries a stand-in file in its place; the payload
# test of such an installer fails and says so.

set(VELTRIX_TREE_DESCRIPTION ${CMAKE_SOURCE_DIR}/setup/trees/release.txt)
# What a whole installation may take, as the installer's panel promises.
set(VELTRIX_INSTALLATION_LIMIT 460800)

function(veltrix_carried_trees target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "RELEASE;SIDE" "")
  if(NOT arg_RELEASE MATCHES "^(current|2000)$" OR NOT arg_SIDE MATCHES "^(install|update|uninstall)$")
    message(FATAL_ERROR "veltrix_carried_trees(${target}): RELEASE current|2000 and SIDE install|update|uninstall")
  endif()
  # Arguments of a deferred call are read when it runs: pass them as literals.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _veltrix_carried_trees_now [[${target}]] [[${arg_RELEASE}]] [[${arg_SIDE}]])")
endfunction()

function(veltrix_shipped_tree_files target)
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _veltrix_shipped_tree_files_now [[${target}]])")
endfunction()

# The host's maketree: the tool itself in a native build, the one the host-tools
# build makes in a cross build.
function(_veltrix_maketree out_tool out_depends)
  veltrix_host_tool_path(maketree tool)
  if(CMAKE_CROSSCOMPILING)
    set(${out_depends} veltrix_host_tools ${tool} PARENT_SCOPE)
  else()
    set(${out_depends} maketree PARENT_SCOPE)
  endif()
  set(${out_tool} ${tool} PARENT_SCOPE)
endfunction()

# A program image of a release: the target's file, or a stand-in when the
# target does not exist in this build (a native build has no Windows programs;
# its `veltrix` is the command-line tool).
function(_veltrix_image image_target installed_name out_path out_depends)
  if(WIN32 AND TARGET ${image_target})
    set(${out_path} $<TARGET_FILE:${image_target}> PARENT_SCOPE)
    set(${out_depends} ${image_target} $<TARGET_FILE:${image_target}> PARENT_SCOPE)
    return()
  endif()
  set(stand_in ${CMAKE_BINARY_DIR}/setup-trees/stand-ins/${image_target}/${installed_name})
  file(CONFIGURE OUTPUT ${stand_in}
       CONTENT "Stand-in for ${installed_name}: this build has no target ${image_target}.\n")
  set(${out_path} ${stand_in} PARENT_SCOPE)
  set(${out_depends} ${stand_in} PARENT_SCOPE)
  set_property(GLOBAL APPEND PROPERTY VELTRIX_STAND_IN_IMAGES ${image_target})
endfunction()

# The variables the description is read with for `release`, and the files the
# release's trees depend on. With images OFF the program images are left out:
# the removal side needs only their names, and an uninstaller cannot carry itself.
function(_veltrix_release_variables release images out_variables out_depends)
  set(depends ${VELTRIX_TREE_DESCRIPTION})
  if(release STREQUAL "current")
    set(name "Veltrix")
    set(suffix "")
    set(samples ${CMAKE_BINARY_DIR}/samples/current)
    list(APPEND depends sample_library ${CMAKE_BINARY_DIR}/samples/sizes.txt)
  else()
    set(name "Veltrix 2000")
    set(suffix "2000")
    set(samples ${CMAKE_SOURCE_DIR}/setup/samples/v2000)
    file(GLOB_RECURSE sample_files CONFIGURE_DEPENDS ${samples}/*)
    list(APPEND depends ${sample_files})
  endif()
  set(variables "FOLDER=${name}" "NAME=${name}" "SAMPLES=${samples}")
  if(images)
    _veltrix_image(veltrix${suffix} veltrix.exe program program_depends)
    _veltrix_image(uninstal${suffix} uninstal.exe uninstaller uninstaller_depends)
    list(APPEND variables "PROGRAM=${program}" "UNINSTALLER=${uninstaller}")
    list(APPEND depends ${program_depends} ${uninstaller_depends})
  endif()
  set(${out_variables} ${variables} PARENT_SCOPE)
  set(${out_depends} ${depends} PARENT_SCOPE)
endfunction()

# One custom command that makes the trees the remaining arguments ask for into
# `dir` and, when `source` is given, the source that embeds them; the target
# `name` runs it.
# Each request is FIELD=RELEASE:KIND; the tree goes to dir/RELEASE-KIND.tree and,
# unless FIELD is "-", into kCarriedTrees.FIELD.
function(_veltrix_tree_command name dir title source)
  _veltrix_maketree(maketree depends)
  file(MAKE_DIRECTORY ${dir})
  set(commands "")
  set(outputs "")
  set(fields "")
  foreach(request IN LISTS ARGN)
    string(REGEX MATCH "^([^=]+)=([^:]+):(.+)$" matched "${request}")
    set(field ${CMAKE_MATCH_1})
    set(release ${CMAKE_MATCH_2})
    set(kind ${CMAKE_MATCH_3})
    set(images OFF)
    if(kind STREQUAL "payload")
      set(images ON)
    endif()
    _veltrix_release_variables(${release} ${images} variables release_depends)
    set(tree ${dir}/${release}-${kind}.tree)
    list(APPEND commands COMMAND ${maketree} tree ${kind} ${VELTRIX_TREE_DESCRIPTION} ${tree} ${variables})
    list(APPEND outputs ${tree})
    list(APPEND depends ${release_depends})
    if(NOT field STREQUAL "-")
      list(APPEND fields "${field}=${tree}")
    endif()
  endforeach()
  if(source)
    list(APPEND commands COMMAND ${maketree} source ${source} "${title}" ${fields})
    list(APPEND outputs ${source})
  endif()
  list(REMOVE_DUPLICATES depends)
  add_custom_command(OUTPUT ${outputs}
    ${commands}
    DEPENDS ${depends}
    COMMENT "Making the setup trees of ${name}"
    VERBATIM)
  add_custom_target(${name} DEPENDS ${outputs})
endfunction()

function(_veltrix_carried_trees_now target release side)
  set(dir ${CMAKE_BINARY_DIR}/setup-trees/${target})
  set(source ${dir}/carried.cpp)
  set(title "Veltrix")
  if(release STREQUAL "2000")
    set(title "Veltrix 2000")
  endif()
  set(install_side
      install.registry=${release}:registry install.shortcuts=${release}:shortcuts
      install.payload=${release}:payload install.browserValue=${release}:browser)
  if(side STREQUAL "install")
    set(specs ${install_side})
  elseif(side STREQUAL "update")
    # The updater always installs the current release and removes "Veltrix 2000".
    set(title "Veltrix")
    set(release current)
    set(specs
        install.registry=current:registry install.shortcuts=current:shortcuts
        install.payload=current:payload install.browserValue=current:browser
        removal.registry=2000:registry removal.shortcuts=2000:shortcut-deletions
        removal.files=2000:earlier-file-deletions)
  else()
    set(specs
        removal.registry=${release}:uninstall-registry removal.shortcuts=${release}:shortcut-deletions
        removal.files=${release}:file-deletions)
  endif()
  # Stand-ins are noted while the command is made; only this target's count.
  set_property(GLOBAL PROPERTY VELTRIX_STAND_IN_IMAGES "")
  _veltrix_tree_command(${target}_carried_trees ${dir} "${title}" ${source} ${specs})
  get_property(stand_ins GLOBAL PROPERTY VELTRIX_STAND_IN_IMAGES)
  target_sources(${target} PRIVATE ${source})
  add_dependencies(${target} ${target}_carried_trees)

  if(side STREQUAL "install" AND BUILD_TESTING)
    _veltrix_maketree(maketree unused)
    if(stand_ins)
      list(JOIN stand_ins ", " missing)
      set(check ${CMAKE_COMMAND} -E echo "${target} carries stand-ins for ${missing}: no real payload to sum")
      add_test(NAME ${target}_payload_image COMMAND ${check})
      set_tests_properties(${target}_payload_image PROPERTIES WILL_FAIL ON)
    else()
      # The promise holds for the shipped 32-bit programs; other builds print the sum.
      set(limit "")
      if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(limit ${VELTRIX_INSTALLATION_LIMIT})
      endif()
      add_test(NAME ${target}_payload_image COMMAND ${maketree} size ${dir}/${release}-payload.tree ${limit})
    endif()
  endif()
endfunction()

function(_veltrix_shipped_tree_files_now target)
  set(dir ${CMAKE_BINARY_DIR}/setup-trees/${target}-files)
  set(specs "")
  foreach(release current 2000)
    foreach(kind registry uninstall-registry shortcuts shortcut-deletions payload file-deletions browser)
      list(APPEND specs -=${release}:${kind})
    endforeach()
  endforeach()
  list(APPEND specs -=2000:earlier-file-deletions)
  _veltrix_tree_command(${target}_shipped_trees ${dir} "" "" ${specs})
  add_dependencies(${target} ${target}_shipped_trees)
  target_compile_definitions(${target} PRIVATE
    VELTRIX_SHIPPED_TREES="${dir}"
    VELTRIX_SAMPLES_CURRENT="${CMAKE_BINARY_DIR}/samples/current"
    VELTRIX_SAMPLES_2000="${CMAKE_SOURCE_DIR}/setup/samples/v2000")
endfunction()
