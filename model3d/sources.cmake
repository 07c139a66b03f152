target_sources(mimicry_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ondemandscene.h ${CMAKE_CURRENT_LIST_DIR}/ondemandscene.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smartphone3dmodelconfig.h ${CMAKE_CURRENT_LIST_DIR}/smartphone3dmodelconfig.cpp
)
