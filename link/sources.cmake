target_sources(mimicry_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/emulationmanager.h ${CMAKE_CURRENT_LIST_DIR}/emulationmanager.cpp
    ${CMAKE_CURRENT_LIST_DIR}/remotedbusinvokerservice.h ${CMAKE_CURRENT_LIST_DIR}/remotedbusinvokerservice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wireformat.h ${CMAKE_CURRENT_LIST_DIR}/wireformat.cpp
)
