library(testthat)
library(vqz2xml)

test_check("vqz2xml")
