# Runs at install time: the program keeps its files beside itself, so the
# install is one self-contained folder. An existing contact book is never
# replaced; the desktop entries point at the folder the program landed in and at
# the icon installed there under the hicolor theme's layout.
set(dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
if(NOT EXISTS "${dir}/contact.mdb")
    file(COPY_FILE "${SELVANTO_EMPTY_CONTACTS}" "${dir}/contact.mdb")
    message(STATUS "Installing: ${dir}/contact.mdb")
else()
    message(STATUS "Keeping existing contact book: ${dir}/contact.mdb")
endif()
set(SELVANTO_DIR "${CMAKE_INSTALL_PREFIX}")
configure_file("${SELVANTO_SOURCE_DIR}/app/selvanto.desktop.in" "${dir}/selvanto.desktop" @ONLY)
configure_file("${SELVANTO_SOURCE_DIR}/app/selvanto-autostart.desktop.in"
               "${dir}/autostart/selvanto.desktop" @ONLY)
message(STATUS "Installing: ${dir}/selvanto.desktop")
message(STATUS "Installing: ${dir}/autostart/selvanto.desktop")
