// jemalloc reads its settings from this symbol, named and typed as it
// declares it, when the process starts (MALLOC_CONF in the environment still
// overrides them).
//
// Transparent huge pages for the heap and jemalloc's own tables: a large
// level touches hundreds of megabytes once, and with 4 KiB pages the first
// touches alone were over a tenth of a 1 M triangle compile on the machines
// we measure on. The results do not depend on the allocator.
extern "C" {
const char* malloc_conf = "thp:always,metadata_thp:always";
}
