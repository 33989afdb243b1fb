# KYRA_CUDA: AUTO enables the CUDA platforms when nvcc is found.
set(KYRA_WITH_CUDA OFF)
if(NOT CMAKE_CUDA_COMPILER AND EXISTS /usr/local/cuda/bin/nvcc)
  set(CMAKE_CUDA_COMPILER /usr/local/cuda/bin/nvcc)
endif()
if(KYRA_CUDA STREQUAL "AUTO")
  include(CheckLanguage)
  check_language(CUDA)
  if(CMAKE_CUDA_COMPILER)
    set(KYRA_WITH_CUDA ON)
  endif()
elseif(KYRA_CUDA)
  set(KYRA_WITH_CUDA ON)
endif()

if(KYRA_WITH_CUDA)
  # Chosen before the language is enabled, which would otherwise fix nvcc's
  # own default architecture. Single-GPU builds pass e.g. 90-real.
  if(NOT DEFINED CMAKE_CUDA_ARCHITECTURES)
    set(CMAKE_CUDA_ARCHITECTURES 80 90)
  endif()
  # Only the shared runtime: the static one would be linked beside it.
  set(CMAKE_CUDA_RUNTIME_LIBRARY Shared)
  set(CMAKE_CUDA_STANDARD 17)
  set(CMAKE_CUDA_STANDARD_REQUIRED ON)
  enable_language(CUDA)
  find_package(CUDAToolkit REQUIRED)
endif()
message(STATUS "kyraSparse: CUDA platforms ${KYRA_WITH_CUDA}")
