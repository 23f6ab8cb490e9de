# The codec's 7-bit packing and PDU decoding against libosmocore's, in one run. libosmocore
# (libosmogsm) is a benchmark-only dependency; without it the benchmark is not built.
find_package(PkgConfig)
if(PkgConfig_FOUND)
    pkg_check_modules(OSMOCORE IMPORTED_TARGET libosmocore libosmogsm)
endif()
if(OSMOCORE_FOUND)
    telvane_benchmark(bench_codec bench_codec.cpp telvane_records PkgConfig::OSMOCORE)
    # The packing functions themselves are the codec's private parts.
    target_include_directories(bench_codec PRIVATE ${CMAKE_SOURCE_DIR}/records)
else()
    message(STATUS "libosmocore not found: bench_codec is not built")
endif()
