# The release's build time, reproducible from the sources: SOURCE_DATE_EPOCH
# when the caller sets it, else the time of the last commit, else (a source
# tree outside git) the modification time of CMakeLists.txt. Never the clock,
# so that building the same sources again gives the same bytes.
# release/make-package.sh reads MIRTANE_BUILD_EPOCH from the Windows build
# trees' caches, so that the package's file times and the help page's build
# month agree with the about box of the plug-ins inside.
#
# mirtane_build_time() sets MIRTANE_BUILD_EPOCH (seconds since 1970, also in
# the cache) and MIRTANE_BUILD_MONTH ("MM/YYYY", in UTC) in the caller's scope.
function(mirtane_build_time)
  set(epoch "")
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  else()
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
        WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
        OUTPUT_VARIABLE epoch RESULT_VARIABLE status
        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(NOT status EQUAL 0)
        set(epoch "")
      endif()
      # A new commit or checkout moves HEAD's log; configuring again then
      # picks up the new time.
      execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --absolute-git-dir
        WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
        OUTPUT_VARIABLE git_dir RESULT_VARIABLE status
        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(status EQUAL 0 AND EXISTS "${git_dir}/logs/HEAD")
        set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY
          CMAKE_CONFIGURE_DEPENDS "${git_dir}/logs/HEAD")
      endif()
    endif()
    if(epoch STREQUAL "")
      file(TIMESTAMP "${PROJECT_SOURCE_DIR}/CMakeLists.txt" epoch "%s" UTC)
    endif()
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be whole seconds since 1970, not '${epoch}'")
  endif()
  # string(TIMESTAMP) formats SOURCE_DATE_EPOCH instead of the clock when it
  # is set.
  set(saved "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  string(TIMESTAMP month "%m/%Y" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${saved}")
  set(MIRTANE_BUILD_EPOCH "${epoch}" CACHE INTERNAL "The release's build time, seconds since 1970")
  set(MIRTANE_BUILD_EPOCH "${epoch}" PARENT_SCOPE)
  set(MIRTANE_BUILD_MONTH "${month}" PARENT_SCOPE)
endfunction()
