# The guest's services, each tested through real D-Bus on private buses.
foreach(test sensorservice positioningservice commandservice)
    mimicry_add_test(tst_${test}
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_${test}.cpp
        LIBS mimicry_guest Qt5::DBus Qt5::WebSockets)
endforeach()
