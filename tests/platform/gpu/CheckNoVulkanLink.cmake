# Fails when the module lists the Vulkan loader among the libraries it needs: the loader must be opened
# at run time so that hosts without Vulkan can still load the module. Usage:
#   cmake -DREADELF=readelf -DMODULE=Kelvadrune.so -P CheckNoVulkanLink.cmake
execute_process(COMMAND ${READELF} -d ${MODULE} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot read ${MODULE}")
endif()
if(dynamic MATCHES "libvulkan")
  message(FATAL_ERROR "${MODULE} links the Vulkan loader")
endif()
if(NOT dynamic MATCHES "NEEDED")
  message(FATAL_ERROR "no dynamic section read from ${MODULE}")
endif()
