#' Convert a classic survey description into Quorbel XML 1.1
#'
#' Converts a classic Quorbel survey description (`.vqz`, version 1.0 or 1.1)
#' into the Quorbel XML 1.1 document, the same bytes the `vqz2xml` program
#' writes.
#'
#' A faulty input still gives its XML, ended by the error report, as the
#' program does; a warning of class `vqz2xml_faulty` then tells where the
#' input went wrong. Its fields are `line` and `column` (from 1, the column in
#' bytes), `expected` (the text the report gives) and `found` (the input found
#' there, as a string).
#'
#' @param input The path of a `.vqz` file, or its bytes as a raw vector.
#' @param output The path of the XML file to write, or `NULL` to have the XML
#'   returned as a raw vector.
#' @param encoding How input bytes 0x80 to 0xFF are read: `"latin1"`,
#'   `"cp1252"`, `"utf-8"`, or `"auto"` to choose one of these from the bytes.
#' @return The XML as a raw vector when `output` is `NULL`; otherwise `output`,
#'   invisibly.
#' @export
#' @examples
#' survey <- system.file("extdata", "household.vqz", package = "vqz2xml")
#' xml <- vqz_convert(survey)
#' cat(rawToChar(xml[1:120]))
#'
#' # A faulty input: the warning says where.
#' tryCatch(vqz_convert(charToRaw("VQZ VERSION 1.1 SURVEY BOGUS")),
#'          vqz2xml_faulty = function(w) c(w$line, w$column))
#'
#' output <- tempfile(fileext = ".xml")
#' vqz_convert(survey, output)
#' unlink(output)
vqz_convert <- function(input, output = NULL, encoding = "latin1") {
  source <- vqz_source(input)
  if (!is.null(output)) {
    if (!is.character(output) || length(output) != 1L || is.na(output)) {
      stop("`output` must be a file path or NULL", call. = FALSE)
    }
    output_path <- enc2native(path.expand(output))
  } else {
    output_path <- ""
  }
  result <- convert_native(source$input, source$name, output_path, check_encoding(encoding))
  warn_if_faulty(result$diagnostic, result$encoding)
  if (is.null(output)) result$xml else invisible(output)
}

# The input as the native functions take it: a raw vector, or a path to read, with the name
# diagnostics give it.
vqz_source <- function(input, bytes_name = "<input>") {
  if (is.raw(input)) {
    return(list(input = input, name = bytes_name))
  }
  if (!is.character(input) || length(input) != 1L || is.na(input)) {
    stop("`input` must be a file path or a raw vector", call. = FALSE)
  }
  path <- path.expand(input)
  if (!file.exists(path) || dir.exists(path)) {
    stop("cannot open '", input, "': no such file", call. = FALSE)
  }
  list(input = enc2native(path), name = input)
}

check_encoding <- function(encoding) {
  if (!is.character(encoding) || length(encoding) != 1L || is.na(encoding)) {
    stop("`encoding` must be one name, such as \"latin1\"", call. = FALSE)
  }
  encoding
}

# The found text is the input's bytes as typed, read in the encoding the input was read in.
warn_if_faulty <- function(diagnostic, encoding) {
  if (is.null(diagnostic)) {
    return(invisible())
  }
  found <- decoded(list(diagnostic$found), encoding)
  warning(structure(
    class = c("vqz2xml_faulty", "warning", "condition"),
    list(message = diagnostic$message, call = NULL, line = diagnostic$line,
         column = diagnostic$column, expected = diagnostic$expected, found = found)
  ))
}

# Raw vectors of input bytes as strings, read in the encoding the input was read in.
decoded <- function(bytes, encoding) {
  from <- c(latin1 = "latin1", cp1252 = "CP1252", "utf-8" = "UTF-8")[[encoding]]
  iconv(bytes, from = from, to = "UTF-8", sub = "byte")
}
