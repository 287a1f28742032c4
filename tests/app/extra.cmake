# The event-loop stall of the window during a journal read paced at 9600 bit/s against the
# simulator (about 40 s): a driver run by hand, not a test. Optionally takes screenshots.
#   build/release/stall_journal_read [--fast] [--shots DIR]
if(TARGET vorsan_sim)
  add_executable(stall_journal_read ${CMAKE_SOURCE_DIR}/tests/app/stall/journal_read_stall.cpp)
  target_link_libraries(stall_journal_read PRIVATE vorsan_app vorsan_sim)
endif()
