# The Python module is built for Debian's interpreter, whose dist-packages hold python3-dask,
# python3-lxml and python3-pytest; a python3 earlier on PATH (pyenv) is another interpreter.
set(Python_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python interpreter the vekparser module is built for")
set(PYBIND11_FINDPYTHON ON)
set(vekparser_python_default OFF)
if(VEKPARSER_BUILD_TOOLS)
  find_package(Python 3.11 COMPONENTS Interpreter Development.Module)
  if(Python_FOUND)
    find_package(pybind11 CONFIG QUIET)
  endif()
  # A sanitized module cannot be loaded into an interpreter built without the sanitizer runtime.
  if(Python_FOUND AND pybind11_FOUND AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    set(vekparser_python_default ON)
  endif()
endif()
option(VEKPARSER_BUILD_PYTHON "Build the vekparser Python module (needs the command-line program's code)"
  ${vekparser_python_default})
if(VEKPARSER_BUILD_PYTHON AND NOT VEKPARSER_BUILD_TOOLS)
  message(FATAL_ERROR "VEKPARSER_BUILD_PYTHON needs VEKPARSER_BUILD_TOOLS")
endif()
