# Removes every file listed in MANIFEST (the install_manifest.txt that
# `cmake --install` writes), below $DESTDIR when the install was staged there
# (give the same DESTDIR), then the folders of Mirtane's own that this leaves
# empty (the GIMP plug-in's folder, share/doc/mirtane). Files installed by
# anything else are never touched.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "nothing to uninstall: ${MANIFEST} is missing (run cmake --install first)")
endif()
file(STRINGS "${MANIFEST}" installed)
set(folders "")
foreach(listed IN LISTS installed)
  set(path "$ENV{DESTDIR}${listed}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
  endif()
  get_filename_component(folder "${path}" DIRECTORY)
  get_filename_component(name "${folder}" NAME)
  if(name STREQUAL "mirtane-gimp" OR name STREQUAL "mirtane")
    list(APPEND folders "${folder}")
  endif()
endforeach()
list(REMOVE_DUPLICATES folders)
foreach(folder IN LISTS folders)
  file(GLOB left "${folder}/*")
  if(IS_DIRECTORY "${folder}" AND NOT left)
    file(REMOVE_RECURSE "${folder}")
  endif()
endforeach()
