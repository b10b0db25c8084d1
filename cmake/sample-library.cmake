# The sample library as the payload carries it, built from the ASCII sources in
# setup/samples (which stay the truth people read and diff):
#   <build>/samples/current/...  every file in the binary form, each with a fixed
#                                seed taken from its relative path, so the same
#                                sources always give the same bytes
#   <build>/samples/v2000/...    the older release's files as they are (ASCII:
#                                that release has no binary form)
# and <build>/samples/sizes.txt with the file count and the total size.
# Native builds only: the conversion runs the native `veltrix convert`.
set(sample_sources_dir ${CMAKE_SOURCE_DIR}/setup/samples)
file(GLOB_RECURSE sample_sources CONFIGURE_DEPENDS ${sample_sources_dir}/*.vlx)
set(sample_sizes ${CMAKE_BINARY_DIR}/samples/sizes.txt)
add_custom_command(
  OUTPUT ${sample_sizes}
  COMMAND ${CMAKE_COMMAND} -DVELTRIX=$<TARGET_FILE:veltrix> -DSOURCES=${sample_sources_dir}
          -DOUTPUT=${CMAKE_BINARY_DIR}/samples -P ${CMAKE_SOURCE_DIR}/cmake/convert-samples.cmake
  DEPENDS veltrix ${sample_sources} ${CMAKE_SOURCE_DIR}/cmake/convert-samples.cmake
  COMMENT "Converting the sample library to binary graph files"
  VERBATIM)
add_custom_target(sample_library ALL DEPENDS ${sample_sizes})
