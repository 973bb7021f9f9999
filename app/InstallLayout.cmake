# Runs at install time: the program keeps its files beside itself, so the
# install is one self-contained folder. An existing contact book is never
# replaced; the desktop entries point at the folder the program landed in and at
# the icon installed there under the hicolor theme's layout. Every file goes
# through file(INSTALL), which honours DESTDIR and lists it in the manifest.
set(dir "${CMAKE_INSTALL_PREFIX}")
if(NOT EXISTS "$ENV{DESTDIR}${dir}/contact.mdb")
    file(INSTALL "${SELVANTO_EMPTY_CONTACTS}" DESTINATION "${dir}")
else()
    message(STATUS "Keeping existing contact book: $ENV{DESTDIR}${dir}/contact.mdb")
endif()
set(SELVANTO_DIR "${CMAKE_INSTALL_PREFIX}")
set(staged "${SELVANTO_BINARY_DIR}/install-entries")
configure_file("${SELVANTO_SOURCE_DIR}/app/selvanto.desktop.in" "${staged}/selvanto.desktop" @ONLY)
configure_file("${SELVANTO_SOURCE_DIR}/app/selvanto-autostart.desktop.in"
               "${staged}/autostart/selvanto.desktop" @ONLY)
file(INSTALL "${staged}/selvanto.desktop" DESTINATION "${dir}")
file(INSTALL "${staged}/autostart/selvanto.desktop" DESTINATION "${dir}/autostart")
