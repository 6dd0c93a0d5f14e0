# The desktop program: a core library of pure logic (Qt Core only), the
# database library (ODBC, no Qt), a GUI library with the windows and the
# commands, and a thin executable.

find_package(Qt6 REQUIRED COMPONENTS Core Widgets PrintSupport Test)

# Electrical values and package names read out of parts' names and
# footprints: the search and order by value, and bills of materials.
add_library(detalehran_values STATIC
  values/electrical_value.cpp values/electrical_value.h
  values/package_name.cpp values/package_name.h
  values/part_match.cpp values/part_match.h
  values/unit_table.h
  values/value_filter.cpp values/value_filter.h)
target_include_directories(detalehran_values PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(detalehran_values PUBLIC Qt6::Core PRIVATE detalehran_options)

# Settings format and file, node operations, row order, the list's text rules
# and the statement builders: what needs neither a window nor a connection.
add_library(detalehran_core STATIC
  db/failure_text.cpp db/failure_text.h
  db/statement_builder.h
  db/statements.cpp db/statements.h
  db/team_statements.cpp db/team_statements.h
  itemlist/sorter/row_order.cpp itemlist/sorter/row_order.h
  itemlist/text_rules.cpp itemlist/text_rules.h
  itemlist/value_search.cpp itemlist/value_search.h
  settings/settings_file.cpp settings/settings_file.h
  settings/settings_format.cpp settings/settings_format.h
  state/column_table.h
  state/node_list.h
  trees/node_operations.cpp trees/node_operations.h)
target_include_directories(detalehran_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(detalehran_core PUBLIC Qt6::Core detalehran_schema detalehran_values PRIVATE detalehran_options)

# The one connection to the inventory database through the driver manager.
add_library(detalehran_db STATIC
  db/backup_copy.cpp db/backup_copy.h
  db/connection_keeping.cpp
  db/data_source.cpp db/data_source.h
  db/database.cpp db/database.h
  db/database_batches.cpp
  db/history.cpp db/history.h db/history_revert.cpp db/history_rows.h
  db/operation.cpp db/operation.h
  db/projects.cpp db/projects.h
  db/server_session.cpp
  db/statement_handle.h)
target_include_directories(detalehran_db PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(detalehran_db PUBLIC detalehran_schema PkgConfig::ODBC ${CMAKE_DL_LIBS} PRIVATE detalehran_options)

# What the program and detalehran-db share of a team's server beyond the
# items: its trees and its settings.
add_library(detalehran_team STATIC
  settings/team_settings.cpp settings/team_settings.h
  trees/shared_trees.cpp trees/shared_trees.h)
target_include_directories(detalehran_team PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(detalehran_team PUBLIC detalehran_core detalehran_db PRIVATE detalehran_options)

add_library(detalehran_gui STATIC
  app/connection_watch.cpp app/connection_watch.h
  app/item_commands.cpp app/item_commands.h
  app/lifecycle.cpp app/lifecycle.h
  app/routing.cpp app/routing.h
  bom_windows/bom_commands.cpp bom_windows/bom_commands.h
  bom_windows/bom_session.h
  bom_windows/bom_texts.cpp bom_windows/bom_texts.h
  bom_windows/bom_window.cpp bom_windows/bom_window.h
  bom_windows/build_commands.cpp
  bom_windows/project_commands.cpp bom_windows/project_commands.h
  bom_windows/projects_window.cpp bom_windows/projects_window.h
  dialogs/about_commands.cpp dialogs/about_commands.h
  dialogs/about_dialog.cpp dialogs/about_dialog.h
  editor/documents.cpp editor/documents.h
  editor/edit_conflict.cpp editor/edit_conflict.h
  editor/editor_commands.cpp editor/item_editor.h
  editor/item_editor_window.cpp editor/item_editor_window.h
  history_windows/history_commands.cpp history_windows/history_commands.h
  history_windows/history_window.cpp history_windows/history_window.h
  itemlist/datasheets.cpp itemlist/datasheets.h
  itemlist/item_list.cpp itemlist/item_list.h
  itemlist/item_list_model.cpp itemlist/item_list_model.h
  itemlist/list_commands.cpp
  itemlist/quantity_field.cpp itemlist/quantity_field.h
  itemlist/sorter/column_sorter.cpp itemlist/sorter/column_sorter.h
  itemlist/table_settings_commands.cpp itemlist/table_settings_commands.h
  itemlist/table_settings_dialog.cpp itemlist/table_settings_dialog.h
  itemlist/text_blocks.cpp itemlist/text_blocks.h
  mainwindow/access.cpp mainwindow/access.h
  mainwindow/control_numbers.h
  mainwindow/main_window.cpp mainwindow/main_window.h
  mainwindow/numbered_dialog.cpp mainwindow/numbered_dialog.h
  platform/event.h
  platform/qt_services.cpp platform/qt_services.h
  platform/services.h
  platform/translations.cpp platform/translations.h
  platform/window_layer.cpp platform/window_layer.h
  platform/working_folder.cpp platform/working_folder.h
  resources/icons.qrc
  settings/settings_store.cpp settings/settings_store.h
  spreadsheet_windows/export_commands.cpp spreadsheet_windows/export_commands.h
  spreadsheet_windows/import_commands.cpp spreadsheet_windows/import_commands.h
  spreadsheet_windows/import_dialog.cpp spreadsheet_windows/import_dialog.h
  spreadsheet_windows/reorder_commands.cpp spreadsheet_windows/reorder_commands.h
  spreadsheet_windows/reorder_window.cpp spreadsheet_windows/reorder_window.h
  state/app.h
  trees/move_commands.cpp
  trees/tree_commands.cpp trees/tree_commands.h
  trees/team_trees.cpp trees/team_trees.h
  trees/tree_messages.cpp trees/tree_messages.h
  trees/tree_paths.cpp trees/tree_paths.h
  trees/tree_view.cpp trees/tree_view.h)
set_target_properties(detalehran_gui PROPERTIES AUTOMOC ON AUTORCC ON)
target_include_directories(detalehran_gui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(detalehran_gui PUBLIC detalehran_core detalehran_db detalehran_team Qt6::Widgets Qt6::PrintSupport
  detalehran_spreadsheet_store detalehran_bom_store PRIVATE detalehran_jet detalehran_options)

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

add_executable(detalehran app/main.cpp)
target_link_libraries(detalehran PRIVATE detalehran_gui detalehran_options)
install(TARGETS detalehran RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/detalehran.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/detalehran.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
