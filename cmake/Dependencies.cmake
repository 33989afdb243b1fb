# Host dependencies: OpenMP, OpenBLAS (with LAPACKE) and COLAMD.
find_package(OpenMP REQUIRED)
find_package(Threads REQUIRED)

find_path(KYRA_CBLAS_INCLUDE_DIR cblas.h
  PATH_SUFFIXES openblas openblas-pthread openblas-openmp x86_64-linux-gnu/openblas-pthread x86_64-linux-gnu/openblas-openmp)
find_library(KYRA_OPENBLAS_LIBRARY NAMES openblas REQUIRED)
find_path(KYRA_LAPACKE_INCLUDE_DIR lapacke.h REQUIRED)
find_library(KYRA_LAPACKE_LIBRARY NAMES lapacke REQUIRED)
find_path(KYRA_COLAMD_INCLUDE_DIR colamd.h PATH_SUFFIXES suitesparse REQUIRED)
find_library(KYRA_COLAMD_LIBRARY NAMES colamd REQUIRED)
if(NOT KYRA_CBLAS_INCLUDE_DIR)
  message(FATAL_ERROR "cblas.h not found: install libopenblas-dev (scripts/install-deps.sh)")
endif()

add_library(kyra_host_deps INTERFACE)
target_include_directories(kyra_host_deps SYSTEM INTERFACE
  ${KYRA_CBLAS_INCLUDE_DIR} ${KYRA_LAPACKE_INCLUDE_DIR} ${KYRA_COLAMD_INCLUDE_DIR})
target_link_libraries(kyra_host_deps INTERFACE
  ${KYRA_LAPACKE_LIBRARY} ${KYRA_OPENBLAS_LIBRARY} ${KYRA_COLAMD_LIBRARY}
  OpenMP::OpenMP_CXX Threads::Threads)
