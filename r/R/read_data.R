#' Read a survey's data file into a data frame
#'
#' Reads the data file of a survey, one record per line, into a data frame
#' with one row per record and the columns its variables give: through the
#' same parse as [vqz_convert()] for the description, and the decoding of
#' the `vqz2xml` program's data reader for the records.
#'
#' A single gives a column of its codes: a `haven::labelled` vector with the
#' code list's labels (and, when the list has SPECIAL codes, a
#' `haven::labelled_spss` one with those as `na_values`) for `labels =
#' "labelled"`, a factor of the codes' labels for `"factor"`, or the plain
#' codes for `"codes"`. A quantity gives numbers, its SPECIAL codes missing
#' (kept as `na_values` of a `haven::labelled_spss` vector for `"labelled"`);
#' a SPREAD gives one column per subfield, `NAME_1`, `NAME_2`, ...; a character
#' variable gives strings, a logical one `TRUE`, `FALSE` or `NA`, and a
#' multiple one logical column per code, `NAME_CODE`. Without the haven
#' package, `"labelled"` gives the plain codes with their labels in a `labels`
#' attribute and SPECIAL codes of quantities as `NA`. Each column's `label`
#' attribute holds its variable's label, which RStudio's viewer shows.
#'
#' Each data error (a field that is not what its variable takes) gives its
#' value `NA` and a warning of class `vqz2xml_data_error`, with the `record`
#' (its line), the `column`, the `variable`, what was `expected` and what was
#' `found`; codes not in a variable's code list, or numbers out of its range,
#' give one warning of class `vqz2xml_data_warning` per variable, with their
#' `count` and the first one. A faulty description warns as in
#' [vqz_convert()] and its variables read before the fault are read.
#'
#' @param metadata The survey description: the path of a `.vqz` file or its
#'   bytes as a raw vector.
#' @param data The data file: a path or its bytes as a raw vector.
#' @param encoding How bytes 0x80 to 0xFF of both files are read: `"latin1"`,
#'   `"cp1252"`, `"utf-8"`, or `"auto"` for the one the description's bytes
#'   suggest.
#' @param labels What a single's column holds: `"labelled"`, `"factor"` or
#'   `"codes"`.
#' @return A data frame, a tibble when the tibble package is installed.
#' @export
#' @examples
#' households <- read_data(
#'   system.file("extdata", "household.vqz", package = "vqz2xml"),
#'   system.file("extdata", "household.dat", package = "vqz2xml"),
#'   labels = "factor")
#' households[, c("HHID", "REGION", "HHSIZE")]
#' attr(households$REGION, "label")
read_data <- function(metadata, data, encoding = "latin1",
                      labels = c("labelled", "factor", "codes")) {
  labels <- match.arg(labels)
  description <- vqz_source(metadata)
  records <- vqz_source(data, "<data>")
  haven <- labels == "labelled" && requireNamespace("haven", quietly = TRUE)
  read <- read_data_native(description$input, description$name, records$input, records$name,
                           check_encoding(encoding), special_missing = !haven)
  survey <- read$survey
  warn_if_faulty(survey$diagnostic, survey$encoding)
  columns <- read$columns
  read$columns <- NULL
  # The rows of the codes frame of each variable, which lists them variable after variable.
  code_rows <- split(seq_len(nrow(survey$codes)),
                     factor(rep(seq_len(nrow(survey$variables)), survey$variables$codes),
                            levels = seq_len(nrow(survey$variables))))
  for (i in seq_along(columns)) {
    columns[[i]] <- data_column(columns[[i]], read$plan, i, survey, code_rows, labels, haven)
  }
  names(columns) <- read$plan$name
  warn_data(read$errors, "vqz2xml_data_error", survey$encoding)
  warn_data(read$warnings, "vqz2xml_data_warning", survey$encoding)
  data_frame(columns, read$records)
}

# One column with its attributes: the codes' labels of a single as `labels` asks, the SPECIAL
# codes of a quantity as haven's missing values, and the variable's label. The vectors are the
# reader's own, so their attributes are set in place rather than by copying them.
data_column <- function(values, plan, i, survey, code_rows, labels, haven) {
  v <- plan$variable[i]
  variables <- survey$variables
  label <- variables$label[v]
  if (variables$type[v] == "multiple") {
    label <- paste0(label, ": ", substring(plan$name[i], nchar(variables$name[v]) + 2L))
  }
  kind <- plan$kind[i]
  if (kind != "code" && kind != "number") {
    return(set_attributes(values, list(label = label)))
  }
  codes <- survey$codes
  rows <- code_rows[[v]]
  rows <- rows[!is.na(codes$number[rows])]
  rows <- rows[!duplicated(codes$number[rows])]
  named <- stats::setNames(codes$number[rows], codes$label[rows])
  special <- codes$number[rows][codes$special[rows]]
  if (kind == "code" && labels == "factor") {
    levels <- unique(names(named))
    values <- match(names(named), levels)[match(values, named)]
    return(set_attributes(values, list(levels = levels, class = "factor", label = label)))
  }
  if (kind == "code" && labels == "labelled" || kind == "number" && length(special) > 0) {
    if (haven) {
      return(set_attributes(values, labelled_attributes(named, special, label)))
    }
    if (kind == "code") {
      return(set_attributes(values, list(labels = named, label = label)))
    }
  }
  set_attributes(values, list(label = label))
}

# The attributes of haven::labelled() and haven::labelled_spss() vectors of doubles.
labelled_attributes <- function(labels, special, label) {
  if (length(special) == 0) {
    return(list(labels = labels, label = label,
                class = c("haven_labelled", "vctrs_vctr", "double")))
  }
  list(labels = labels, na_values = special, label = label,
       class = c("haven_labelled_spss", "haven_labelled", "vctrs_vctr", "double"))
}

data_frame <- function(columns, records) {
  if (requireNamespace("tibble", quietly = TRUE)) {
    return(tibble::new_tibble(columns, nrow = records))
  }
  structure(columns, class = "data.frame", row.names = .set_row_names(records))
}

# One warning per data error, or per variable whose codes were out of its list or range.
warn_data <- function(problems, class, encoding) {
  found <- decoded(problems$found, encoding)
  for (i in seq_along(problems$record)) {
    warning(structure(
      class = c(class, "warning", "condition"),
      list(message = problems$message[i], call = NULL, record = problems$record[i],
           column = problems$column[i], variable = problems$variable[i],
           expected = problems$expected[i], found = found[i], count = problems$count[i])
    ))
  }
}
