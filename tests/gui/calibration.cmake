# The calibration frame of the real window, with its port on a pseudo-terminal.
tr_add_test(NAME tst_calibration SOURCES tst_calibration.cpp windowfixture.h LIBS tr_app TIMEOUT 300)
# "从文件导入", the batch write's refusals, and the fidelity mends of the two frames.
tr_add_test(NAME tst_calibration_lists SOURCES tst_calibration_lists.cpp windowfixture.h LIBS tr_app)
tr_add_test(NAME tst_fidelity SOURCES tst_fidelity.cpp windowfixture.h LIBS tr_app)
