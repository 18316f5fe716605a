# Every type in one record layout: columns 1-2 a single with a SPECIAL code, 3-5 a quantity with
# one, 6-9 a character, 10 a logical, 11-13 a multiple, 14-17 a quantity spread over two
# subfields.
metadata <- charToRaw(paste(
  "VQZ VERSION 1.1 SURVEY RECORD A",
  "VARIABLE 1 NAME \"S\" LABEL \"single\" TYPE single POSITION 1 TO 2",
  "  VALUES 1 \"One\" 2 \"Two\" 9 \"Refused\" SPECIAL END VALUES END VARIABLE",
  "VARIABLE 2 NAME \"Q\" LABEL \"quantity\" TYPE quantity POSITION 3 TO 5",
  "  VALUES 0 TO 100 WITH 999 \"Don't know\" SPECIAL END VALUES END VARIABLE",
  "VARIABLE 3 NAME \"C\" LABEL \"character\" TYPE character POSITION 6 TO 9 SIZE 4 END VARIABLE",
  "VARIABLE 4 NAME \"L\" LABEL \"logical\" TYPE logical POSITION 10 END VARIABLE",
  "VARIABLE 5 NAME \"M\" LABEL \"multiple\" TYPE multiple POSITION 11 TO 13",
  "  VALUES \"a\" \"b\" \"c\" END VALUES END VARIABLE",
  "VARIABLE 6 NAME \"P\" LABEL \"pair\" TYPE quantity POSITION 14 TO 17 SPREAD 2 OF 2",
  "  VALUES 0 TO 99 END VALUES END VARIABLE END RECORD END SURVEY END VQZ"))
# CR LF, a line with a SPECIAL code in each, a short line, and a last line without its end
# holding a data error (the logical's "x") and a code not in the single's list.
records <- c(charToRaw(" 1 12Ab  1101 1 2\r\n 9999    0000\r\n 2\r\n17  5caf"), as.raw(0xe9),
             charToRaw("x001 3"))

read_quietly <- function(...) with_faults_of(read_data(metadata, records, ...))

# The value of `expr` with the data errors and warnings it gave, which are not let through.
with_faults_of <- function(expr) {
  faults <- list()
  value <- withCallingHandlers(expr, warning = function(w) {
    faults[[length(faults) + 1L]] <<- w
    invokeRestart("muffleWarning")
  })
  list(value = value, faults = faults)
}

test_that("each type's column, with its variable's label", {
  frame <- read_quietly(labels = "codes")$value
  expect_named(frame, c("S", "Q", "C", "L", "M_1", "M_2", "M_3", "P_1", "P_2"))
  expect_identical(nrow(frame), 4L)
  expect_identical(as.vector(frame$S), c(1, 9, 2, 17))
  expect_identical(as.vector(frame$Q), c(12, NA, NA, 5)) # 999 is SPECIAL: missing
  expect_identical(as.vector(frame$C), c("Ab", "", "", "caf\u00e9"))
  expect_identical(as.vector(frame$L), c(TRUE, FALSE, NA, NA))
  expect_identical(as.vector(frame$M_1), c(TRUE, FALSE, FALSE, FALSE))
  expect_identical(as.vector(frame$P_2), c(2, NA, NA, NA))
  expect_identical(vapply(frame, attr, "", "label"),
                   c(S = "single", Q = "quantity", C = "character", L = "logical",
                     M_1 = "multiple: 1", M_2 = "multiple: 2", M_3 = "multiple: 3",
                     P_1 = "pair", P_2 = "pair"))
})

test_that("singles as haven's labelled vectors, factors or codes", {
  skip_if_not_installed("haven")
  frame <- read_quietly()$value
  labels <- c(One = 1, Two = 2, Refused = 9)
  expect_identical(frame$S, haven::labelled_spss(c(1, 9, 2, 17), labels, na_values = 9,
                                                 label = "single"))
  expect_identical(frame$Q, haven::labelled_spss(c(12, 999, NA, 5), c("Don't know" = 999),
                                                 na_values = 999, label = "quantity"))
  expect_identical(as.vector(haven::zap_missing(frame$Q)), c(12, NA, NA, 5))
  factors <- read_quietly(labels = "factor")$value
  expect_identical(factors$S, structure(factor(c("One", "Refused", "Two", NA),
                                               levels = names(labels)), label = "single"))
})

test_that("each data error warns with its record and column, each odd code once", {
  faults <- read_quietly()$faults
  classes <- vapply(faults, function(w) class(w)[1], "")
  expect_identical(sort(unique(classes)), c("vqz2xml_data_error", "vqz2xml_data_warning"))
  error <- faults[[which(classes == "vqz2xml_data_error")]]
  expect_identical(unclass(error)[c("record", "column", "variable", "found")],
                   list(record = 4, column = 10, variable = "L", found = "x"))
  expect_match(conditionMessage(error), "^<data>:4:10: error: L \\(logical\\): expected ")
  warning <- faults[[which(classes == "vqz2xml_data_warning")[1]]]
  expect_identical(unclass(warning)[c("record", "variable", "count")],
                   list(record = 4, variable = "S", count = 1))
})

test_that("the examples read from their files as from their bytes", {
  skip_if_not_installed("tibble")
  description <- test_path("golden", "example_household.vqz")
  data <- system.file("extdata", "household.dat", package = "vqz2xml")
  from_files <- with_faults_of(read_data(description, data))$value
  expect_s3_class(from_files, "tbl_df")
  expect_identical(dim(from_files), c(6L, 21L))
  from_bytes <- with_faults_of(read_data(read_bytes(description), read_bytes(data)))$value
  expect_identical(from_bytes, from_files)
  expect_error(read_data(description, file.path(tempdir(), "none.dat")), "no such file")
})
