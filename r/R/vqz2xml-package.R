#' @keywords internal
#' @useDynLib vqz2xml, .registration = TRUE
"_PACKAGE"
