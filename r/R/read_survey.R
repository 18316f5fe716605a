#' Read the survey a classic description describes
#'
#' Reads a classic Quorbel survey description (`.vqz`) into R values through
#' the same parse as [vqz_convert()]: what the XML document shows, as a list.
#'
#' Texts are UTF-8 and hold the characters the XML shows: brace codes decoded
#' in the title, labels and code labels, `{nl}` as a line feed. A faulty input
#' gives everything recognised before the fault, with the warning of class
#' `vqz2xml_faulty` that [vqz_convert()] gives.
#'
#' @inheritParams vqz_convert
#' @return A list: the head's `version`, `standard_names` (logical), `date`,
#'   `time`, `origin`, `user`, `title` and `record` (each `NA` when not given);
#'   `variables`, a data frame with one row per variable (`ident`, `name`,
#'   `label`, `type`, the columns `start`, `finish` and `width`, `size`,
#'   `spread` and `spread_width`, `range_from` and `range_to`, and the number of
#'   `codes`); `codes`, a data frame with one row per code list entry
#'   (`variable`, the variable's name, `code` as typed, its `number`, `label`
#'   and `special`); `notes`, a data frame of the notes' `text` and the
#'   variable each stands `before` (one past the last after the last);
#'   `complete` (logical) and the `encoding` used.
#' @export
#' @examples
#' survey <- read_survey(system.file("extdata", "household.vqz", package = "vqz2xml"))
#' survey$title
#' survey$variables[, c("name", "type", "start", "finish")]
#' subset(survey$codes, variable == "REGION")
read_survey <- function(input, encoding = "latin1") {
  source <- vqz_source(input)
  survey <- read_survey_native(source$input, source$name, check_encoding(encoding))
  warn_if_faulty(survey$diagnostic, survey$encoding)
  survey$diagnostic <- NULL
  survey
}
