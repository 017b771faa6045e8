# Calibration: request frames and entry checks, export format and file writing.
tr_add_test(NAME tst_calibration_frames SOURCES tst_calibration_frames.cpp LIBS tr_domain)
tr_add_test(NAME tst_calibration_export SOURCES tst_calibration_export.cpp LIBS tr_domain)
