# Checks a built Windows program as it will be shipped (cmake -P):
#   - it imports only from the Windows system libraries in ALLOWED_DLLS (a
#     comma-separated list), so that it starts on a bare system: no C++ runtime,
#     libgcc or threads DLL;
#   - its resources are exactly the icon group ICON (with ICON_IMAGES images),
#     or none at all when ICON is empty: no version block, no manifest;
#   - it is no larger than MAX_BYTES, when given.
# Arguments: -DPROGRAM=... -DOBJDUMP=... -DALLOWED_DLLS=... [-DICON=300
# -DICON_IMAGES=3] [-DMAX_BYTES=...]
cmake_minimum_required(VERSION 3.25)

set(problems "")
macro(problem text)
  list(APPEND problems "${text}")
endmacro()

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()

# Imports: "DLL Name: KERNEL32.dll", compared without regard to case.
string(REPLACE "," ";" allowed "${ALLOWED_DLLS}")
list(TRANSFORM allowed TOLOWER)
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
list(TRANSFORM names REPLACE "DLL Name: " "")
list(TRANSFORM names TOLOWER)
list(REMOVE_DUPLICATES names)
if(NOT names)
  problem("no import table found")
endif()
foreach(dll IN LISTS names)
  if(NOT dll IN_LIST allowed)
    problem("imports from ${dll}, which is not one of the allowed system libraries (${ALLOWED_DLLS})")
  endif()
endforeach()

# Resources: in the directory listing, entries of the type level are indented by
# three blanks after their offset, entries of the name level by five.
set(resources "")
string(REGEX MATCH "The .rsrc Resource Directory section:.*" listing "${dump}")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-f]+   Entry: ID: 0x([0-9a-f]+)")
    math(EXPR type "0x${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[0-9a-f]+     Entry: ID: 0x([0-9a-f]+)")
    math(EXPR id "0x${CMAKE_MATCH_1}")
    list(APPEND resources "${type}:${id}")
  elseif(line MATCHES "^[0-9a-f]+ +Entry: name:")
    problem("a resource with a name instead of a number: ${line}")
  endif()
endforeach()

set(RT_ICON 3)
set(RT_GROUP_ICON 14)
set(images 0)
set(groups "")
foreach(resource IN LISTS resources)
  string(REPLACE ":" ";" fields "${resource}")
  list(GET fields 0 type)
  list(GET fields 1 id)
  if(type EQUAL RT_ICON)
    math(EXPR images "${images} + 1")
  elseif(type EQUAL RT_GROUP_ICON)
    list(APPEND groups ${id})
  else()
    problem("resource ${id} of type ${type}: the program icon must be the only resource")
  endif()
endforeach()
if(ICON)
  if(NOT groups STREQUAL "${ICON}")
    problem("icon groups '${groups}', expected exactly the group ${ICON}")
  endif()
  if(NOT images EQUAL ICON_IMAGES)
    problem("${images} icon images, expected ${ICON_IMAGES}")
  endif()
elseif(resources)
  problem("resources '${resources}', expected none")
endif()

file(SIZE ${PROGRAM} bytes)
message(STATUS "${PROGRAM}: ${bytes} bytes; imports ${names}; resources ${resources}")
if(MAX_BYTES AND bytes GREATER MAX_BYTES)
  problem("${bytes} bytes, more than the ${MAX_BYTES} allowed: has a heavy runtime part been linked?")
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${PROGRAM}:\n  ${text}")
endif()
