# Parameter read, write, batch and export against the real simulator.
tr_add_test(NAME tst_calibration_e2e SOURCES tst_calibration_e2e.cpp ${TR_E2E_FIXTURE}
            LIBS tr_app TIMEOUT 120 LABELS e2e)
