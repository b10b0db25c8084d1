# cmake -DVELTRIX=tool -DSOURCES=setup/samples -DOUTPUT=dir -P convert-samples.cmake
# Converts the current release's library to the binary form and copies the older
# release's ASCII files; see sample-library.cmake.
file(REMOVE_RECURSE ${OUTPUT}/current ${OUTPUT}/v2000)

# The seed byte of a file: the first byte of the MD5 of its path relative to the
# library ("Tori/Twisted Torus.vlx"), so it never depends on the clock.
function(seed_of relative out)
  string(MD5 digest "${relative}")
  string(SUBSTRING "${digest}" 0 2 hex)
  math(EXPR seed "0x${hex}")
  set(${out} ${seed} PARENT_SCOPE)
endfunction()

set(count 0)
set(bytes 0)
file(GLOB_RECURSE current RELATIVE ${SOURCES}/current ${SOURCES}/current/*.vlx)
list(SORT current)
foreach(relative IN LISTS current)
  seed_of("${relative}" seed)
  get_filename_component(folder "${OUTPUT}/current/${relative}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  execute_process(
    COMMAND ${VELTRIX} convert --to binary --seed ${seed} "${SOURCES}/current/${relative}" "${OUTPUT}/current/${relative}"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "veltrix convert failed on current/${relative}")
  endif()
  file(SIZE "${OUTPUT}/current/${relative}" size)
  math(EXPR count "${count} + 1")
  math(EXPR bytes "${bytes} + ${size}")
endforeach()

set(old_count 0)
set(old_bytes 0)
file(GLOB_RECURSE older RELATIVE ${SOURCES}/v2000 ${SOURCES}/v2000/*.vlx)
foreach(relative IN LISTS older)
  configure_file("${SOURCES}/v2000/${relative}" "${OUTPUT}/v2000/${relative}" COPYONLY)
  file(SIZE "${SOURCES}/v2000/${relative}" size)
  math(EXPR old_count "${old_count} + 1")
  math(EXPR old_bytes "${old_bytes} + ${size}")
endforeach()

set(summary "current: ${count} files, ${bytes} bytes in the binary form\nv2000: ${old_count} files, ${old_bytes} bytes (ASCII)\n")
file(WRITE ${OUTPUT}/sizes.txt "${summary}")
message(STATUS "Sample library: ${summary}")
