# The fuzz targets, one line each.
quillo_add_fuzzer(profile SOURCES ProfileFuzzer.cpp LIBRARIES quillo_storage)
quillo_add_fuzzer(xml SOURCES XmlFuzzer.cpp LIBRARIES quillo_storage)
