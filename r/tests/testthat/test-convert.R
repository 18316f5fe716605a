test_that("golden cases give the program's bytes, and faulty ones one warning", {
  cases <- golden_cases()
  expect_gt(length(cases), 50)
  for (case in cases) {
    expected <- read_bytes(sub("\\.vqz$", ".xml", case))
    faulty <- length(grepRaw("*** Error:", expected, fixed = TRUE)) > 0
    run <- with_faults(vqz_convert(read_bytes(case), encoding = golden_encoding(case)))
    expect_identical(run$value, expected, label = basename(case))
    expect_length(run$faults, if (faulty) 1L else 0L)
  }
})

test_that("a file converted into a file is the program's, faulty or not", {
  output <- tempfile(fileext = ".xml")
  on.exit(unlink(output))
  for (name in c("example_household", "survey_title_unclosed")) {
    case <- test_path("golden", paste0(name, ".vqz"))
    run <- with_faults(vqz_convert(case, output))
    expect_identical(run$value, output)
    expect_identical(read_bytes(output), read_bytes(sub("\\.vqz$", ".xml", case)), label = name)
  }
})

test_that("the warning tells where a faulty input went wrong", {
  input <- c(charToRaw("VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS \""), as.raw(0xe9),
             charToRaw("\\ here\r\nmore"))
  fault <- with_faults(vqz_convert(input))$faults[[1]]
  expect_s3_class(fault, "vqz2xml_faulty")
  expect_identical(unclass(fault)[c("line", "column", "expected", "found")],
                   list(line = 4, column = 3, expected = "'Title'", found = "BOGUS \"\u00e9\\ here"))
  expect_identical(conditionMessage(fault),
                   "<input>:4:3: error: expected 'Title', found \"BOGUS \\\"\\xe9\\\\ here\"")

  at_end <- with_faults(vqz_convert(test_path("golden", "survey_title_unclosed.vqz")))$faults[[1]]
  expect_match(conditionMessage(at_end), "^.*survey_title_unclosed\\.vqz:[0-9]+:[0-9]+: error: ")
})

test_that("encodings: the three, auto, and no other", {
  cafe <- charToRaw(enc2utf8(paste0(
    "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" LABEL \"caf\u00e9\" ",
    "TYPE logical POSITION 1 END VARIABLE END RECORD END SURVEY END VQZ")))
  utf8 <- vqz_convert(cafe, encoding = "utf-8")
  expect_identical(vqz_convert(cafe, encoding = "auto"), utf8)
  expect_identical(vqz_convert(cafe, encoding = "UTF8"), utf8)
  expect_false(identical(vqz_convert(cafe, encoding = "latin1"), utf8))
  expect_error(vqz_convert(cafe, encoding = "utf-16"), "unsupported encoding 'utf-16'")
  expect_error(vqz_convert(cafe, encoding = NA_character_), "`encoding`")
})

test_that("inputs that are neither a file nor bytes are refused", {
  expect_error(vqz_convert(file.path(tempdir(), "no-such.vqz")), "no such file")
  expect_error(vqz_convert(tempdir()), "no such file")
  expect_error(vqz_convert(c("a.vqz", "b.vqz")), "`input` must be")
  expect_error(vqz_convert(42), "`input` must be")
  expect_error(vqz_convert(as.raw(1), output = 1), "`output` must be")
  expect_error(vqz_convert(as.raw(1), file.path(tempdir(), "no-such-folder", "x.xml")),
               "cannot open")
})
