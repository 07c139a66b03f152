# The guest's network side: the camera stream's receiver and the virtual
# machine's port forwarding. The receiver needs GStreamer's core library to
# build; at run time it loads udpsrc, rtpjpegdepay and jpegdec
# (gstreamer1.0-plugins-good) and fakesink (libgstreamer1.0-0).
if(NOT TARGET PkgConfig::GST)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(GST REQUIRED IMPORTED_TARGET GLOBAL gstreamer-1.0)
endif()

target_sources(mimicry_guest PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/camerareceiver.h ${CMAKE_CURRENT_LIST_DIR}/camerareceiver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portforwarder.h ${CMAKE_CURRENT_LIST_DIR}/portforwarder.cpp
)
target_link_libraries(mimicry_guest PUBLIC Qt5::Network PkgConfig::GST)
