# The timed driver that opens and shows a full journal in the window (run by hand, not a test):
#   QT_QPA_PLATFORM=offscreen build/release/bench_pages_open_show
if(VORSAN_BUILD_BENCH)
  add_executable(bench_pages_open_show ${CMAKE_SOURCE_DIR}/bench/pages/open_show.cpp)
  target_link_libraries(bench_pages_open_show PRIVATE vorsan_app)
  target_include_directories(bench_pages_open_show PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
endif()

# Screenshots of the three data pages (run by hand under Xvfb, see the file's head).
add_executable(shot_pages ${CMAKE_SOURCE_DIR}/tests/app/shots/pages_shots.cpp)
target_link_libraries(shot_pages PRIVATE vorsan_app Qt6::Test)
target_include_directories(shot_pages PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)

# The event-loop stall of the window during a journal read paced at 9600 bit/s against the
# simulator (about 40 s): a driver run by hand, not a test. Optionally takes screenshots.
#   build/release/stall_journal_read [--fast] [--shots DIR]
if(TARGET vorsan_sim)
  add_executable(stall_journal_read ${CMAKE_SOURCE_DIR}/tests/app/stall/journal_read_stall.cpp)
  target_link_libraries(stall_journal_read PRIVATE vorsan_app vorsan_sim)
endif()

# The screenshots of the user's guide, against simulated stations (run by scripts/screenshots).
add_executable(guide_shots ${CMAKE_SOURCE_DIR}/tests/app/shots/guide_shots.cpp)
target_link_libraries(guide_shots PRIVATE vorsan_app Qt6::Test)

# Screenshots of the graph and diagram pages with a journal file and a well from the database
# (run by hand under Xvfb, see the file's head).
add_executable(shot_charts ${CMAKE_SOURCE_DIR}/tests/app/shots/charts_shots.cpp)
target_link_libraries(shot_charts PRIVATE vorsan_app Qt6::Test)
target_include_directories(shot_charts PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)

# The timed driver of the graph and diagram pages: a 1184-record and a 200,000-record journal
# shown and zoomed (run by hand):  QT_QPA_PLATFORM=offscreen build/rel/bench_charts_show
if(VORSAN_BUILD_BENCH)
  add_executable(bench_charts_show ${CMAKE_SOURCE_DIR}/bench/pages/charts_show.cpp)
  target_link_libraries(bench_charts_show PRIVATE vorsan_app Qt6::Test)
  target_include_directories(bench_charts_show PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
endif()

# The event-loop stall of the database tab (tree of 5,000 wells, a 200,000-row well shown, a
# journal added, rows deleted, an archive update): a driver run by hand, not a test.
#   QT_QPA_PLATFORM=offscreen build/rel/stall_database
add_executable(stall_database ${CMAKE_SOURCE_DIR}/tests/app/stall/database_stall.cpp)
target_link_libraries(stall_database PRIVATE vorsan_app Qt6::Test)

# Screenshots of the database tab with a well added from a simulated station (run under Xvfb).
if(TARGET vorsan_sim)
  add_executable(shot_database ${CMAKE_SOURCE_DIR}/tests/app/shots/database_shots.cpp)
  target_link_libraries(shot_database PRIVATE vorsan_app vorsan_sim Qt6::Test)
endif()

# Screenshots of the port menu and of a settings comparison (run by hand under Xvfb, see the file's head).
add_executable(shot_ports ${CMAKE_SOURCE_DIR}/tests/app/shots/ports_shots.cpp)
target_link_libraries(shot_ports PRIVATE vorsan_app Qt6::Test)
target_include_directories(shot_ports PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)

# The recorder page with a dozen chronologies (screenshot under Xvfb) and the time of a batch load
# paced at 115200 bit/s (run by hand, see the file's head).
if(TARGET vorsan_sim)
  add_executable(shot_recorder ${CMAKE_SOURCE_DIR}/tests/app/shots/recorder_shots.cpp)
  target_link_libraries(shot_recorder PRIVATE vorsan_app vorsan_sim Qt6::Test)
endif()

# The screenshot of page "Анализ" (run by hand under Xvfb, see the file's head).
add_executable(shot_analysis ${CMAKE_SOURCE_DIR}/tests/app/shots/analysis_shots.cpp)
target_link_libraries(shot_analysis PRIVATE vorsan_app Qt6::Test)
target_include_directories(shot_analysis PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)

# The round of the page "Обзор линии" against the simulator paced at 9600 bit/s with seven
# stations, against the pure line time (run by hand, see the file's head).
if(VORSAN_BUILD_BENCH AND TARGET vorsan_sim)
  add_executable(bench_overview_round ${CMAKE_SOURCE_DIR}/bench/pages/overview_round.cpp)
  target_link_libraries(bench_overview_round PRIVATE vorsan_app vorsan_sim Qt6::Test)
endif()

# Screenshots of the page "Обзор линии" against a vorsan-sim line (run by hand under Xvfb, see the
# file's head).
add_executable(shot_overview ${CMAKE_SOURCE_DIR}/tests/app/shots/overview_shots.cpp)
target_link_libraries(shot_overview PRIVATE vorsan_app Qt6::Test)
