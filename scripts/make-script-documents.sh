#!/bin/sh
# Makes the documents of tests/testdata/scripts/ from the texts beside them: each text as
# Word (.docx and Word 97 .doc), OpenDocument (.odt), Rich Text (.rtf) and PDF, with
# LibreOffice (headless), as a user's office suite writes them. Run from the repository root
# after changing a text; the documents are kept in the repository.
set -eu
cd tests/testdata/scripts
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
for text in *.txt; do
  for format in docx "doc:MS Word 97" odt rtf pdf; do
    soffice -env:UserInstallation="file://$profile" --headless \
      --infilter="Text (encoded):UTF8,,," --convert-to "$format" "$text" >/dev/null 2>&1
  done
done
ls -l
