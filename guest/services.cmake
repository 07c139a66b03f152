# The guest's services: sensors, positioning and the command channel's end.
target_sources(mimicry_guest PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/inspectadaptor.h ${CMAKE_CURRENT_LIST_DIR}/inspectadaptor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sensorservice.h ${CMAKE_CURRENT_LIST_DIR}/sensorservice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/positioningservice.h ${CMAKE_CURRENT_LIST_DIR}/positioningservice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commandline.h ${CMAKE_CURRENT_LIST_DIR}/commandline.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commandreply.h ${CMAKE_CURRENT_LIST_DIR}/commandreply.cpp
    ${CMAKE_CURRENT_LIST_DIR}/buscaller.h ${CMAKE_CURRENT_LIST_DIR}/buscaller.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commandclient.h ${CMAKE_CURRENT_LIST_DIR}/commandclient.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commandservice.h ${CMAKE_CURRENT_LIST_DIR}/commandservice.cpp
)
