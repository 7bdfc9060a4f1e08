# The Windows cross build finds its libraries in ORN_WINDOWS_PREFIX. When scripts/windows-deps
# makes a new prefix (a patched curl, say), the package folders, library paths and pkg-config
# flags found in the old one stay in the cache, and the build would go on linking the old
# libraries: forget every cached value that names another prefix of the same cache folder, and
# have pkg-config asked again.
if(ORN_WINDOWS_PREFIX)
  get_filename_component(orn_prefixes "${ORN_WINDOWS_PREFIX}" DIRECTORY)
  get_cmake_property(orn_cached CACHE_VARIABLES)
  set(orn_forgot FALSE)
  foreach(orn_variable IN LISTS orn_cached)
    string(FIND "${${orn_variable}}" "${orn_prefixes}/prefix-" orn_some_prefix)
    string(FIND "${${orn_variable}}" "${ORN_WINDOWS_PREFIX}" orn_this_prefix)
    if(orn_some_prefix GREATER -1 AND orn_this_prefix EQUAL -1)
      unset(${orn_variable} CACHE)
      set(orn_forgot TRUE)
    endif()
  endforeach()
  if(orn_forgot)
    message(STATUS "Windows prefix changed to ${ORN_WINDOWS_PREFIX}: libraries found again")
    foreach(orn_variable IN LISTS orn_cached)
      if(orn_variable MATCHES "^__pkg_config_checked_")
        unset(${orn_variable} CACHE)
      endif()
    endforeach()
  endif()
endif()
