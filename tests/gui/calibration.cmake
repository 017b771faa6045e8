# The calibration panel on real widgets, with a real port on a pseudo-terminal.
tr_add_test(NAME tst_calibration SOURCES tst_calibration.cpp LIBS tr_calibration TIMEOUT 300)
