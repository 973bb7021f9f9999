# cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstallManifest.cmake
# Installs the build into an empty PREFIX and fails unless the install
# manifest lists exactly the files that landed there, so that they can all be
# removed again.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
file(STRINGS "${BUILD_DIR}/install_manifest.txt" listed)
list(TRANSFORM listed REPLACE "/\\./" "/")
list(SORT listed)
file(GLOB_RECURSE installed LIST_DIRECTORIES false "${PREFIX}/*")
list(SORT installed)
file(REMOVE_RECURSE "${PREFIX}")
if(NOT listed STREQUAL installed)
    message(FATAL_ERROR "The manifest lists:\n${listed}\nbut the install holds:\n${installed}")
endif()
list(LENGTH installed count)
message(STATUS "${count} files installed, all in the manifest")
