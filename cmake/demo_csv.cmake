# Writes the bundled examples' data as CSV into the current folder. Their data files hold a few
# deliberate faults, which the program reports with status 1: only a worse status fails.
# Run as: cmake -DPROGRAM=<vqz2xml> -DEXAMPLES=<examples folder> -P demo_csv.cmake
execute_process(
  COMMAND ${PROGRAM} --format=csv -f -d . ${EXAMPLES}/household.vqz ${EXAMPLES}/panel_v10.vqz
  RESULT_VARIABLE status)
if(NOT status EQUAL 0 AND NOT status EQUAL 1)
  message(FATAL_ERROR "vqz2xml --format=csv failed with status ${status}")
endif()
