# The golden cases copied in by build.sh: each tests/golden/<case>.vqz with the program's XML,
# read in the encoding its name's prefix gives.
golden_cases <- function() {
  list.files(test_path("golden"), pattern = "\\.vqz$", full.names = TRUE)
}

golden_encoding <- function(case) {
  name <- basename(case)
  if (startsWith(name, "enc_utf8_")) "utf-8" else if (startsWith(name, "enc_cp1252_")) "cp1252" else "latin1"
}

read_bytes <- function(path) readBin(path, "raw", file.size(path))

# The value of `expr` and the vqz2xml_faulty warnings it gave, which are not let through.
with_faults <- function(expr) {
  faults <- list()
  value <- withCallingHandlers(expr, vqz2xml_faulty = function(w) {
    faults[[length(faults) + 1L]] <<- w
    invokeRestart("muffleWarning")
  })
  list(value = value, faults = faults)
}
