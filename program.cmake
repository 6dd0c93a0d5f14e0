# The desktop program: a database library without Qt, a GUI library with
# everything else, and a thin executable.

find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

file(GLOB DETALEHRAN_DB_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/db/*.cpp)
add_library(detalehran_db STATIC ${DETALEHRAN_DB_SOURCES})
target_include_directories(detalehran_db PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(detalehran_db PUBLIC PkgConfig::ODBC ${CMAKE_DL_LIBS})

file(GLOB DETALEHRAN_GUI_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/app/*.h
  ${PROJECT_SOURCE_DIR}/platform/*.cpp ${PROJECT_SOURCE_DIR}/platform/*.h
  ${PROJECT_SOURCE_DIR}/trees/*.cpp ${PROJECT_SOURCE_DIR}/trees/*.h
  ${PROJECT_SOURCE_DIR}/itemlist/*.cpp ${PROJECT_SOURCE_DIR}/itemlist/*.h
  ${PROJECT_SOURCE_DIR}/itemlist/sorter/*.cpp ${PROJECT_SOURCE_DIR}/itemlist/sorter/*.h
  ${PROJECT_SOURCE_DIR}/editor/*.cpp ${PROJECT_SOURCE_DIR}/editor/*.h
  ${PROJECT_SOURCE_DIR}/settings/*.cpp ${PROJECT_SOURCE_DIR}/settings/*.h
  ${PROJECT_SOURCE_DIR}/dialogs/*.cpp ${PROJECT_SOURCE_DIR}/dialogs/*.h
  ${PROJECT_SOURCE_DIR}/resources/*.qrc)
list(FILTER DETALEHRAN_GUI_SOURCES EXCLUDE REGEX "/app/main\\.cpp$")
add_library(detalehran_gui STATIC ${DETALEHRAN_GUI_SOURCES})
target_include_directories(detalehran_gui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(detalehran_gui PUBLIC detalehran_db Qt6::Widgets)

# Shown in the about dialog. A build that is handed out sets its author,
# contact address and wallet identifiers (one capital letter and twelve digits
# each); left empty, the dialog says that they are not set.
set(DETALEHRAN_AUTHOR "" CACHE STRING "Author named in the about dialog")
set(DETALEHRAN_CONTACT "" CACHE STRING "Contact address in the about dialog")
set(DETALEHRAN_WALLET_1 "" CACHE STRING "First wallet identifier")
set(DETALEHRAN_WALLET_2 "" CACHE STRING "Second wallet identifier")
set(DETALEHRAN_WALLET_3 "" CACHE STRING "Third wallet identifier")
target_compile_definitions(detalehran_gui PRIVATE
  DETALEHRAN_AUTHOR="${DETALEHRAN_AUTHOR}"
  DETALEHRAN_CONTACT="${DETALEHRAN_CONTACT}"
  DETALEHRAN_WALLET_1="${DETALEHRAN_WALLET_1}"
  DETALEHRAN_WALLET_2="${DETALEHRAN_WALLET_2}"
  DETALEHRAN_WALLET_3="${DETALEHRAN_WALLET_3}")

add_executable(detalehran ${PROJECT_SOURCE_DIR}/app/main.cpp)
target_link_libraries(detalehran PRIVATE detalehran_gui)
install(TARGETS detalehran RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/detalehran.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/detalehran.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
