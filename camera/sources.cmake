target_sources(mimicry_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/cameraemulationmanager.h ${CMAKE_CURRENT_LIST_DIR}/cameraemulationmanager.cpp
)
