# The list controls under load: a check-all click on a full message list and a sort of a
# full phonebook list, on Qt's offscreen platform. Only with the Qt parts.
if(TARGET telvane_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    telvane_benchmark(bench_lists bench_lists.cpp telvane_ui Qt6::Test)
endif()
