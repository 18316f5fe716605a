test_that("the example's head, variables and codes", {
  survey <- read_survey(test_path("golden", "example_household.vqz"))
  expect_identical(survey[c("version", "standard_names", "record", "title", "complete")],
                   list(version = "1.1", standard_names = TRUE, record = "H",
                        title = "Household composition & income\nSpring wave 2026",
                        complete = TRUE))
  variables <- survey$variables
  expect_identical(nrow(variables), 13L)
  expect_identical(variables$type[1:5], c("character", "single", "quantity", "single", "multiple"))
  # Columns absent from the XML are NA, as are the SPREAD and range of variables without them.
  expect_identical(unlist(variables[4, c("start", "finish", "width", "size", "spread")]),
                   c(start = 13, finish = NA, width = 1, size = NA, spread = NA))
  expect_identical(unlist(variables[5, c("start", "finish", "width", "spread", "spread_width")]),
                   c(start = 14, finish = 18, width = 5, spread = 5, spread_width = 1))
  expect_identical(variables$label[6], "Monthly net household income (\u00a3)")
  expect_equal(sum(variables$codes), nrow(survey$codes))

  codes <- survey$codes
  hhsize <- codes[codes$variable == "HHSIZE", ]
  expect_identical(hhsize$code, c("98", "99"))
  expect_identical(hhsize$special, c(TRUE, TRUE))
  amenity <- codes[codes$variable == "AMENITY", ]
  expect_identical(amenity$code, rep(NA_character_, 5))
  expect_identical(amenity$number, as.numeric(1:5))
  expect_identical(survey$notes$before, c(1, 1, 4))
})

test_that("a head without its fields, and texts holding the character 0", {
  survey <- read_survey(charToRaw(paste(
    "VQZ VERSION 1.1 SURVEY TITLE \"a{00}b\" RECORD A VARIABLE 1 NAME \"x\" LABEL \"\"",
    "TYPE logical POSITION 1 END VARIABLE NOTE \"last\" END RECORD END SURVEY END VQZ")))
  expect_identical(unlist(survey[c("date", "time", "origin", "user")]),
                   c(date = NA_character_, time = NA_character_, origin = NA_character_,
                     user = NA_character_))
  expect_identical(survey$title, "a{00}b")
  expect_identical(survey$notes$before, 2)
})

test_that("a faulty input gives what came before the fault, and the warning", {
  run <- with_faults(read_survey(test_path("golden", "survey_title_unclosed.vqz")))
  expect_length(run$faults, 1L)
  expect_false(run$value$complete)
  expect_identical(nrow(run$value$variables), 0L)
  expect_identical(run$value$version, "1.1")
})
