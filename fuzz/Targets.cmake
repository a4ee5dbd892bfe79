# The fuzz targets, one line each.
