# Host dependencies: OpenMP, OpenBLAS (with LAPACKE) and COLAMD.
find_package(OpenMP REQUIRED)
find_package(Threads REQUIRED)

# The OpenMP build of OpenBLAS shares the OpenMP thread team with our own
# kernels; the pthread build's threads would compete with it for the cores.
set(KYRA_OPENBLAS_OPENMP_DIR /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/openblas-openmp)
find_path(KYRA_CBLAS_INCLUDE_DIR cblas.h
  PATHS /usr/include/${CMAKE_LIBRARY_ARCHITECTURE}/openblas-openmp NO_DEFAULT_PATH)
find_path(KYRA_CBLAS_INCLUDE_DIR cblas.h
  PATH_SUFFIXES openblas openblas-pthread x86_64-linux-gnu/openblas-pthread)
find_library(KYRA_OPENBLAS_LIBRARY NAMES openblas PATHS ${KYRA_OPENBLAS_OPENMP_DIR} NO_DEFAULT_PATH)
find_library(KYRA_OPENBLAS_LIBRARY NAMES openblas REQUIRED)
find_path(KYRA_LAPACKE_INCLUDE_DIR lapacke.h REQUIRED)
find_library(KYRA_LAPACKE_LIBRARY NAMES lapacke REQUIRED)
find_path(KYRA_COLAMD_INCLUDE_DIR colamd.h PATH_SUFFIXES suitesparse REQUIRED)
find_library(KYRA_COLAMD_LIBRARY NAMES colamd REQUIRED)
if(KYRA_OPENBLAS_LIBRARY MATCHES "openblas-openmp")
  # Run against the library we linked, not the system-wide default.
  set(CMAKE_BUILD_RPATH ${KYRA_OPENBLAS_OPENMP_DIR})
  set(CMAKE_INSTALL_RPATH ${KYRA_OPENBLAS_OPENMP_DIR})
endif()
if(NOT KYRA_CBLAS_INCLUDE_DIR)
  message(FATAL_ERROR "cblas.h not found: install libopenblas-dev (scripts/install-deps.sh)")
endif()

add_library(kyra_host_deps INTERFACE)
target_include_directories(kyra_host_deps SYSTEM INTERFACE
  ${KYRA_CBLAS_INCLUDE_DIR} ${KYRA_LAPACKE_INCLUDE_DIR} ${KYRA_COLAMD_INCLUDE_DIR})
target_link_libraries(kyra_host_deps INTERFACE
  ${KYRA_LAPACKE_LIBRARY} ${KYRA_OPENBLAS_LIBRARY} ${KYRA_COLAMD_LIBRARY}
  OpenMP::OpenMP_CXX Threads::Threads)
