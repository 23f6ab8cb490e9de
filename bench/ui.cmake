# The list controls under load: a check-all click on a full message list and a sort of a
# full phonebook list, on Qt's offscreen platform. Only with the Qt parts.
if(TARGET telvane_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    telvane_benchmark(bench_lists bench_lists.cpp telvane_ui Qt6::Test)
endif()

# Start-up to the main window with 49 language packs; the packs are built first.
if(TARGET telvane_ui)
    telvane_benchmark(bench_startup bench_startup.cpp telvane_ui)
    get_property(language_packs GLOBAL PROPERTY TELVANE_LANGUAGE_PACKS)
    add_dependencies(bench_startup ${language_packs})
    target_compile_definitions(bench_startup PRIVATE TELVANE_PACK_DIR="${TELVANE_BIN_DIR}/lang")
endif()
