# Finds the individual OpenCV 4 modules that Debian ships as separate
# development packages (libopencv-<module>-dev). Those packages carry no CMake
# package file, and the full libopencv-dev pulls in dozens of modules we never
# use, so headers and libraries are located directly.
#
# Creates OpenCV::<module> imported targets for each requested component.

find_path(OpenCVModules_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)

set(_ocv_missing "")
foreach(_module IN LISTS OpenCVModules_FIND_COMPONENTS)
    find_library(OpenCVModules_${_module}_LIBRARY NAMES opencv_${_module})
    if(OpenCVModules_${_module}_LIBRARY AND OpenCVModules_INCLUDE_DIR)
        set(OpenCVModules_${_module}_FOUND TRUE)
        if(NOT TARGET OpenCV::${_module})
            add_library(OpenCV::${_module} UNKNOWN IMPORTED)
            set_target_properties(OpenCV::${_module} PROPERTIES
                IMPORTED_LOCATION "${OpenCVModules_${_module}_LIBRARY}"
                INTERFACE_INCLUDE_DIRECTORIES "${OpenCVModules_INCLUDE_DIR}")
        endif()
    else()
        list(APPEND _ocv_missing ${_module})
    endif()
endforeach()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenCVModules
    REQUIRED_VARS OpenCVModules_INCLUDE_DIR
    HANDLE_COMPONENTS)
mark_as_advanced(OpenCVModules_INCLUDE_DIR)
