# The user-space USB driver: libusb-1.0, the built-in USB id table and the udev rule made from it.
#
# The id table's built-in part is packaging/udev/usb-ids plus the cache variable REZIVE_USB_IDS
# (vvvv:pppp[,...]); both the library's list and the udev rule are generated from it here, so
# they always agree.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
target_link_libraries(rezive_objects PUBLIC PkgConfig::LIBUSB)

set(REZIVE_USB_IDS "" CACHE STRING "USB ids (vvvv:pppp[,...]) built in as cameras, beside packaging/udev/usb-ids")
set(rezive_usb_id_file ${PROJECT_SOURCE_DIR}/packaging/udev/usb-ids)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${rezive_usb_id_file})
file(STRINGS ${rezive_usb_id_file} rezive_usb_id_lines)
string(REPLACE "," ";" rezive_usb_extra "${REZIVE_USB_IDS}")
set(rezive_usb_ids "")
foreach(line IN LISTS rezive_usb_id_lines rezive_usb_extra)
  string(REGEX REPLACE "#.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F]):([0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F])$")
    message(FATAL_ERROR "USB id '${line}' is not vvvv:pppp (four hexadecimal digits each)")
  endif()
  string(TOLOWER "${CMAKE_MATCH_1}:${CMAKE_MATCH_2}" id)
  list(APPEND rezive_usb_ids ${id})
endforeach()
list(REMOVE_DUPLICATES rezive_usb_ids)

set(rezive_ids_inc "")
set(REZIVE_UDEV_RULE_LINES "")
foreach(id IN LISTS rezive_usb_ids)
  string(REPLACE ":" ";" parts ${id})
  list(GET parts 0 vendor)
  list(GET parts 1 product)
  string(APPEND rezive_ids_inc "    {0x${vendor}, 0x${product}},\n")
  string(APPEND REZIVE_UDEV_RULE_LINES
    "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"${vendor}\", "
    "ATTR{idProduct}==\"${product}\", TAG+=\"uaccess\", GROUP=\"video\", MODE=\"0660\"\n")
endforeach()
if(REZIVE_UDEV_RULE_LINES STREQUAL "")
  set(REZIVE_UDEV_RULE_LINES "# No ids built in. For a camera with ids vvvv:pppp add a line\n# SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"vvvv\", ATTR{idProduct}==\"pppp\", TAG+=\"uaccess\", GROUP=\"video\", MODE=\"0660\"\n")
endif()

set(rezive_usb_generated ${PROJECT_BINARY_DIR}/generated/usb)
file(CONFIGURE OUTPUT ${rezive_usb_generated}/rezive_builtin_usb_ids.inc CONTENT "${rezive_ids_inc}")
target_include_directories(rezive_objects PRIVATE ${rezive_usb_generated})
set(REZIVE_UDEV_RULES_FILE ${PROJECT_BINARY_DIR}/packaging/70-rezive-usb.rules)
configure_file(${PROJECT_SOURCE_DIR}/packaging/udev/70-rezive-usb.rules.in ${REZIVE_UDEV_RULES_FILE} @ONLY)

# udev reads rules from <prefix>/lib/udev/rules.d for packaged rules; a local install into
# /usr/local needs the file copied to /etc/udev/rules.d (the README says so).
set(REZIVE_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING "Where cmake --install puts the udev rule (relative to the prefix, or absolute)")
install(FILES ${REZIVE_UDEV_RULES_FILE} DESTINATION ${REZIVE_UDEV_RULES_DIR})
