target_sources(mimicry_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/gpsemulationmanager.h ${CMAKE_CURRENT_LIST_DIR}/gpsemulationmanager.cpp
    ${CMAKE_CURRENT_LIST_DIR}/trackfileparser.h ${CMAKE_CURRENT_LIST_DIR}/trackfileparser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/positionmodel.h ${CMAKE_CURRENT_LIST_DIR}/positionmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/textfilereader.h ${CMAKE_CURRENT_LIST_DIR}/textfilereader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/trackpoint.h
    ${CMAKE_CURRENT_LIST_DIR}/trackpointmodel.h ${CMAKE_CURRENT_LIST_DIR}/trackpointmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/trackrouteview.h ${CMAKE_CURRENT_LIST_DIR}/trackrouteview.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xmltrackreader.h ${CMAKE_CURRENT_LIST_DIR}/xmltrackreader.cpp
)
