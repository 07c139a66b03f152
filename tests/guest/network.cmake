# The camera test sends with gstreamer1.0-plugins-base's videotestsrc and
# plugins-good's jpegenc, rtpjpegpay and udpsink.
mimicry_add_test(tst_camerareceiver
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_camerareceiver.cpp
    LIBS mimicry_guest)

mimicry_add_test(tst_portforwarder
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_portforwarder.cpp
    LIBS mimicry_guest)
