# The engine and its folder watch on a 20,000-file folder that another
# process keeps changing. In the normal run the churn lasts 20 s; the label
# "soak" (make soak) runs it for the full two minutes.
lumora_gtest(engine_soak_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderSoakTest.cpp
    LIBS lumora_engine lumora_test_support lumora_decoders lumora_samplegen)
if(TARGET engine_soak_test)
    add_test(NAME engine_soak_full COMMAND engine_soak_test)
    set_tests_properties(engine_soak_full PROPERTIES LABELS soak TIMEOUT 900
        ENVIRONMENT "LUMORA_SOAK_SECONDS=120;XDG_CACHE_HOME=${LUMORA_TEST_CACHE_HOME}")
endif()
