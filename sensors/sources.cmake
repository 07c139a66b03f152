target_sources(mimicry_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/sensormodel.h ${CMAKE_CURRENT_LIST_DIR}/sensormodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xyzmodel.h
    ${CMAKE_CURRENT_LIST_DIR}/sensordefaults.h
    ${CMAKE_CURRENT_LIST_DIR}/intxyzmodel.h ${CMAKE_CURRENT_LIST_DIR}/intxyzmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/doublexyzmodel.h ${CMAKE_CURRENT_LIST_DIR}/doublexyzmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/accelerometermodel.h ${CMAKE_CURRENT_LIST_DIR}/accelerometermodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/magnetometermodel.h ${CMAKE_CURRENT_LIST_DIR}/magnetometermodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/magneticfieldmodel.h ${CMAKE_CURRENT_LIST_DIR}/magneticfieldmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gyroscopemodel.h ${CMAKE_CURRENT_LIST_DIR}/gyroscopemodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/compassmodel.h ${CMAKE_CURRENT_LIST_DIR}/compassmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/orientationmodel.h ${CMAKE_CURRENT_LIST_DIR}/orientationmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/alsmodel.h ${CMAKE_CURRENT_LIST_DIR}/alsmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/proximitymodel.h ${CMAKE_CURRENT_LIST_DIR}/proximitymodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tapmodel.h ${CMAKE_CURRENT_LIST_DIR}/tapmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sensorsemulationmanager.h ${CMAKE_CURRENT_LIST_DIR}/sensorsemulationmanager.cpp
    ${CMAKE_CURRENT_LIST_DIR}/textfielddoublevalidator.h ${CMAKE_CURRENT_LIST_DIR}/textfielddoublevalidator.cpp
)
