target_sources(mimicry_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/smartphone3dmodelconfig.h ${CMAKE_CURRENT_LIST_DIR}/smartphone3dmodelconfig.cpp
)
