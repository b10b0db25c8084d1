# The sample library as the payload carries it, built from the ASCII sources in
# setup/samples (which stay the truth people read and diff):
#   <build>/samples/current/...  every file in the binary form, each with a fixed
#                                seed taken from its relative path, so the same
#                                sources always give the same bytes
#   <build>/samples/v2000/...    the older release's files as they are (ASCII:
#                                that release has no binary form)
# and <build>/samples/sizes.txt with the file count and the total size.
# The conversion runs the native `veltrix convert`: in a cross build the one the
# host-tools build makes (cmake/small-programs.cmake).
set(sample_sources_dir ${CMAKE_SOURCE_DIR}/setup/samples)
file(GLOB_RECURSE sample_sources CONFIGURE_DEPENDS ${sample_sources_dir}/*.vlx)
set(sample_sizes ${CMAKE_BINARY_DIR}/samples/sizes.txt)
veltrix_host_tool_path(veltrix sample_converter)
set(sample_converter_depends veltrix)
if(CMAKE_CROSSCOMPILING)
  set(sample_converter_depends veltrix_host_tools ${sample_converter})
endif()
add_custom_command(
  OUTPUT ${sample_sizes}
  COMMAND ${CMAKE_COMMAND} -DVELTRIX=${sample_converter} -DSOURCES=${sample_sources_dir}
          -DOUTPUT=${CMAKE_BINARY_DIR}/samples -P ${CMAKE_SOURCE_DIR}/cmake/convert-samples.cmake
  DEPENDS ${sample_converter_depends} ${sample_sources} ${CMAKE_SOURCE_DIR}/cmake/convert-samples.cmake
  COMMENT "Converting the sample library to binary graph files"
  VERBATIM)
add_custom_target(sample_library ALL DEPENDS ${sample_sizes})
