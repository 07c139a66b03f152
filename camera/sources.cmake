# The camera needs GStreamer's core and, for the codec check, pbutils'
# discoverer (libgstreamer1.0-dev, libgstreamer-plugins-base1.0-dev).
target_sources(mimicry_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/cameraemulationmanager.h ${CMAKE_CURRENT_LIST_DIR}/cameraemulationmanager.cpp
    ${CMAKE_CURRENT_LIST_DIR}/streampipeline.h ${CMAKE_CURRENT_LIST_DIR}/streampipeline.cpp
)
target_link_libraries(mimicry_core PUBLIC PkgConfig::GST)
