# The calibration frame of the real window, with its port on a pseudo-terminal.
tr_add_test(NAME tst_calibration SOURCES tst_calibration.cpp ptywindow.h LIBS tr_app TIMEOUT 300)
