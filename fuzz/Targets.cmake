# The fuzz targets, one line each.
quillo_add_fuzzer(profile SOURCES ProfileFuzzer.cpp LIBRARIES quillo_storage)
quillo_add_fuzzer(xml SOURCES XmlFuzzer.cpp LIBRARIES quillo_storage)
quillo_add_fuzzer(png SOURCES PngFuzzer.cpp LIBRARIES quillo_graphics)
quillo_add_fuzzer(jpeg SOURCES JpegFuzzer.cpp LIBRARIES quillo_graphics)
quillo_add_fuzzer(holidays SOURCES HolidaysFuzzer.cpp LIBRARIES quillo_almanac)
quillo_add_fuzzer(region SOURCES RegionFuzzer.cpp LIBRARIES quillo_graphics)
quillo_add_fuzzer(archive SOURCES ArchiveFuzzer.cpp LIBRARIES quillo_graphics)
