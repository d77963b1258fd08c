# Build rules shared by every folder of the plug-in.
#
# Sources include headers by folder ("analysis/ToneCurve.h"). Each folder's
# target sees its own folder and the folders of the targets it links, and no
# other: mirtane_layer() puts a directory under the build tree on the
# target's include path that holds a single link to the folder, so an
# #include across an arrow the target does not have fails to compile.
# scripts/check-layering.py checks the same arrows file by file (pipeline/
# may use two headers of host/ only, for example), and runs as a test.

# The float rules: the analysis and the application are specified to the bit.
# No fused multiply-add, no fast-math, and SSE arithmetic on i686 so that
# floats round to 32 bits exactly as on x86-64 instead of carrying x87 extra
# precision. Every target of the plug-in links this publicly, so the tests and
# benchmarks that compute references get the same rules.
add_library(mirtane_float_rules INTERFACE)
target_compile_options(mirtane_float_rules INTERFACE -ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_compile_options(mirtane_float_rules INTERFACE -msse2 -mfpmath=sse)
endif()

add_library(mirtane_warnings INTERFACE)
target_compile_options(mirtane_warnings INTERFACE -Wall -Wextra)

# mirtane_layer(<target> <folder>): gives <target> the include directory of
# <folder> (see above) and the float rules and warnings.
# <folder> may be nested ("hosts/kit"): the link keeps its whole path, so
# that sources include "hosts/kit/Image.h" and see none of its siblings.
function(mirtane_layer target folder)
  set(layer_dir ${PROJECT_BINARY_DIR}/layers/${folder})
  get_filename_component(link_parent ${layer_dir}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${link_parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${layer_dir}/${folder} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${layer_dir})
    target_link_libraries(${target} INTERFACE mirtane_float_rules)
  else()
    target_include_directories(${target} PUBLIC ${layer_dir})
    target_link_libraries(${target} PUBLIC mirtane_float_rules PRIVATE mirtane_warnings)
  endif()
endfunction()
