# Builds each fuzz target's checks with a plain main that replays files, and registers a test per
# target over its seed corpus and the regression inputs under tests/regressions/<target>.
set(CORVANE_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
function(corvane_replay name source)
  add_executable(replay_${name} ${CORVANE_FUZZ_DIR}/${source} ${CORVANE_FUZZ_DIR}/replay_main.cpp)
  target_link_libraries(replay_${name} PRIVATE corvane_core corvane_warnings ${ARGN})
  target_include_directories(replay_${name} PRIVATE ${CORVANE_FUZZ_DIR})
  add_test(NAME Replay.${name}
           COMMAND replay_${name} ${CORVANE_FUZZ_DIR}/corpus/${name}
                   ${PROJECT_SOURCE_DIR}/tests/regressions/${name})
endfunction()

corvane_replay(text_reader text_reader_fuzz.cpp)
corvane_replay(text_reader_layout_a text_reader_fuzz.cpp)
target_compile_definitions(replay_text_reader_layout_a PRIVATE CORVANE_FUZZ_WITHOUT_ANTENNA_INDEX=1)
corvane_replay(cdd_reader cdd_reader_fuzz.cpp)
corvane_replay(factory_data factory_data_fuzz.cpp)
corvane_replay(satcodx satcodx_fuzz.cpp)
corvane_replay(satellites_xml satellites_xml_fuzz.cpp)
corvane_replay(data_block data_block_fuzz.cpp)
corvane_replay(json_import json_import_fuzz.cpp)
