#!/usr/bin/env python3
"""Checks that what tells users the licence and the version of dla agrees. Each command prints
what is wrong, one line each, and exits with 1 when anything is; silent and 0 when all holds.

  citation SOURCE VERSION        CITATION.cff against the Citation File Format 1.2.0 (its keys,
                                 their types, the required ones) and against the project: the
                                 version CMake sets, the MIT licence of LICENSE, the release
                                 date of the packages' changelog, the model's paper
  versions VERSION PROGRAM...    each PROGRAM's --version says "NAME VERSION", without a display
  copyright FILE LICENSE         a Debian copyright FILE in the machine-readable format: our
                                 files under MIT with LICENSE's copyright line and text, and a
                                 licence text for every licence a Files paragraph names
"""

import datetime
import os
import re
import subprocess
import sys

import yaml

problems = []


def problem(text):
    problems.append(text)


# The Citation File Format 1.2.0: its top-level keys, and the types a reference may have.
CFF_KEYS = {"abstract", "authors", "cff-version", "commit", "contact", "date-released", "doi",
            "identifiers", "keywords", "license", "license-url", "message", "preferred-citation",
            "references", "repository", "repository-artifact", "repository-code", "title", "type",
            "url", "version"}
CFF_REQUIRED = ["cff-version", "message", "title", "authors"]
REFERENCE_TYPES = {
    "art", "article", "audiovisual", "bill", "blog", "book", "catalogue", "conference-paper",
    "conference", "data", "database", "dictionary", "edited-work", "encyclopedia",
    "film-broadcast", "generic", "government-document", "grant", "hearing", "historical-work",
    "legal-case", "legal-rule", "magazine-article", "manual", "map", "multimedia", "music",
    "newspaper-article", "pamphlet", "patent", "personal-communication", "proceedings", "report",
    "serial", "slides", "software-code", "software-container", "software-executable",
    "software-virtual-machine", "software", "sound-recording", "standard", "statute", "thesis",
    "unpublished", "video", "website"}
PERSON_KEYS = {"family-names", "given-names", "name-particle", "name-suffix", "affiliation",
               "address", "city", "country", "email", "orcid", "website", "alias"}
DOI = re.compile(r"^10\.\d{4,9}(\.\d+)?/[A-Za-z0-9:/_;\-.()\[\]\\]+$")
MODEL_PAPER_DOI = "10.1103/PhysRevLett.47.1400"


def is_text(value):
    return isinstance(value, str) and value.strip() != ""


def check_date(where, value):
    # YAML reads an unquoted 2026-12-09 as a date; CFF also allows it as a quoted string.
    if isinstance(value, datetime.date):
        return value
    if isinstance(value, str):
        try:
            return datetime.date.fromisoformat(value)
        except ValueError:
            pass
    problem(f"{where}: '{value}' is not a date YYYY-MM-DD")
    return None


def check_authors(where, authors):
    if not isinstance(authors, list) or not authors:
        problem(f"{where}: authors must be a non-empty list")
        return
    for number, author in enumerate(authors, 1):
        if not isinstance(author, dict):
            problem(f"{where}: author {number} is not a person or an entity")
        elif "name" in author:
            if not is_text(author["name"]):
                problem(f"{where}: author {number}'s name is empty")
        elif not (set(author) & {"family-names", "given-names"}) or not set(author) <= PERSON_KEYS:
            problem(f"{where}: author {number} is neither a person nor an entity: {sorted(author)}")


def check_reference(where, reference):
    if not isinstance(reference, dict):
        problem(f"{where}: not a mapping")
        return
    for key in ("type", "title", "authors"):
        if key not in reference:
            problem(f"{where}: no '{key}'")
    if "type" in reference and reference["type"] not in REFERENCE_TYPES:
        problem(f"{where}: '{reference['type']}' is not a reference type")
    if "title" in reference and not is_text(reference["title"]):
        problem(f"{where}: the title is empty")
    if "authors" in reference:
        check_authors(where, reference["authors"])
    if "doi" in reference and not DOI.match(str(reference["doi"])):
        problem(f"{where}: '{reference['doi']}' is not a DOI")
    if "year" in reference and not isinstance(reference["year"], int):
        problem(f"{where}: the year '{reference['year']}' is not a number")
    if "date-released" in reference:
        check_date(f"{where} date-released", reference["date-released"])


def licence_name(source):
    """The licence LICENSE grants, by its first line ("MIT License")."""
    with open(os.path.join(source, "LICENSE"), encoding="utf-8") as file:
        first = file.readline().strip()
    return first.removesuffix(" License")


def changelog_date(source):
    """The date of the packages' release, from the changelog's trailer line."""
    path = os.path.join(source, "cmake", "debian", "changelog.in")
    with open(path, encoding="utf-8") as file:
        for line in file:
            match = re.match(r"^ -- .*  \w{3}, (\d{2} \w{3} \d{4}) ", line)
            if match:
                return datetime.datetime.strptime(match.group(1), "%d %b %Y").date()
    problem(f"{path}: no trailer line with a date")
    return None


def check_citation(source, version):
    path = os.path.join(source, "CITATION.cff")
    try:
        with open(path, encoding="utf-8") as file:
            citation = yaml.safe_load(file)
    except (OSError, yaml.YAMLError) as error:
        problem(f"{path}: not readable as YAML: {error}")
        return
    if not isinstance(citation, dict):
        problem(f"{path}: not a mapping of keys")
        return
    for key in CFF_REQUIRED:
        if key not in citation:
            problem(f"CITATION.cff: the required key '{key}' is missing")
    for key in sorted(set(citation) - CFF_KEYS):
        problem(f"CITATION.cff: '{key}' is not a key of the format")
    if citation.get("cff-version") != "1.2.0":
        problem(f"CITATION.cff: cff-version is '{citation.get('cff-version')}', not the string 1.2.0")
    for key in ("message", "title"):
        if key in citation and not is_text(citation[key]):
            problem(f"CITATION.cff: {key} is empty")
    if "authors" in citation:
        check_authors("CITATION.cff", citation["authors"])
    if citation.get("type", "software") not in ("software", "dataset"):
        problem(f"CITATION.cff: type '{citation['type']}' is neither software nor dataset")
    if "repository-code" in citation and not re.match(r"^https?://\S+$", str(citation["repository-code"])):
        problem(f"CITATION.cff: repository-code '{citation['repository-code']}' is no address")

    if citation.get("version") != version:
        problem(f"CITATION.cff: version '{citation.get('version')}' is not CMake's {version}")
    released = check_date("CITATION.cff date-released", citation.get("date-released"))
    packaged = changelog_date(source)
    if released and packaged and released != packaged:
        problem(f"CITATION.cff: released {released}, the packages' changelog {packaged}")
    licence = licence_name(source)
    if citation.get("license") != licence:
        problem(f"CITATION.cff: license '{citation.get('license')}', LICENSE grants {licence}")

    preferred = citation.get("preferred-citation")
    if preferred is None:
        problem("CITATION.cff: no preferred-citation")
    else:
        check_reference("CITATION.cff preferred-citation", preferred)
        if isinstance(preferred, dict) and preferred.get("version") != version:
            problem(f"CITATION.cff: the preferred citation's version '{preferred.get('version')}' is not {version}")
    references = citation.get("references", [])
    if not isinstance(references, list):
        problem("CITATION.cff: references is not a list")
        references = []
    for number, reference in enumerate(references, 1):
        check_reference(f"CITATION.cff reference {number}", reference)
    if not any(isinstance(r, dict) and r.get("doi") == MODEL_PAPER_DOI for r in references):
        problem(f"CITATION.cff: the model's paper ({MODEL_PAPER_DOI}) is not among the references")


def check_versions(version, programs):
    # The desktop program must answer without a display, as on a cluster's node.
    environment = {key: value for key, value in os.environ.items()
                   if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    for program in programs:
        name = os.path.basename(program)
        try:
            run = subprocess.run([program, "--version"], capture_output=True, text=True,
                                 env=environment, timeout=120, stdin=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            problem(f"{name} --version did not end")
            continue
        if run.returncode != 0:
            problem(f"{name} --version: exit status {run.returncode}: {run.stderr.strip()}")
        if run.stdout.strip() != f"{name} {version}":
            problem(f"{name} --version says '{run.stdout.strip()}', not '{name} {version}'")


def copyright_paragraphs(path):
    """The paragraphs of a Debian control-style file, each a dict of field to value; the lines
    that continue a field keep their leading space, and " ." stands for an empty line."""
    paragraphs, fields, field = [], {}, None
    with open(path, encoding="utf-8") as file:
        for line in file.read().splitlines():
            if not line.strip():
                if fields:
                    paragraphs.append(fields)
                fields, field = {}, None
            elif line[0] in " \t":
                if field is None:
                    problem(f"{path}: a continuation line with no field: '{line}'")
                else:
                    fields[field] += "\n" + ("" if line.strip() == "." else line.strip())
            else:
                field, _, value = line.partition(":")
                fields[field] = value.strip()
    if fields:
        paragraphs.append(fields)
    return paragraphs


def licence_text(path):
    """LICENSE's copyright holder line and its terms, the text after the copyright line."""
    with open(path, encoding="utf-8") as file:
        lines = file.read().strip().splitlines()
    holder = next((line for line in lines if line.startswith("Copyright")), "")
    terms = lines[lines.index(holder) + 1:] if holder else lines
    return holder.removeprefix("Copyright (c) ").strip(), "\n".join(line.strip() for line in terms).strip()


def check_copyright(path, licence_path):
    paragraphs = copyright_paragraphs(path)
    if not paragraphs or not paragraphs[0].get("Format", "").startswith(
            "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0"):
        problem(f"{path}: the first paragraph does not name the machine-readable format 1.0")
        return
    files = [p for p in paragraphs[1:] if "Files" in p]
    texts = {p["License"].split("\n", 1)[0]: p["License"].partition("\n")[2].strip()
             for p in paragraphs[1:] if "Files" not in p and "License" in p}
    ours = next((p for p in files if p["Files"].split() == ["*"]), None)
    holder, terms = licence_text(licence_path)
    if ours is None:
        problem(f"{path}: no 'Files: *' paragraph for our files")
    else:
        if ours.get("License") != "MIT":
            problem(f"{path}: our files are under '{ours.get('License')}', not MIT")
        if ours.get("Copyright") != holder:
            problem(f"{path}: our copyright is '{ours.get('Copyright')}', LICENSE says '{holder}'")
    if "\n".join(line.strip() for line in texts.get("MIT", "").splitlines()) != terms:
        problem(f"{path}: the MIT licence text is not LICENSE's")
    for paragraph in files:
        for field in ("Copyright", "License"):
            if not paragraph.get(field):
                problem(f"{path}: Files: {paragraph['Files']} has no {field}")
        name = paragraph.get("License", "").split("\n", 1)[0]
        if name and name not in texts and "\n" not in paragraph.get("License", ""):
            problem(f"{path}: the licence {name} of Files: {paragraph['Files']} has no text")
    # The header-only libraries built into dla-grow and the Python module.
    for library, licence in (("CLI/*", "BSD-3-clause"), ("nlohmann/*", "Expat"),
                             ("pybind11/*", "BSD-3-Clause+CLA")):
        if not any(p["Files"].split() == [library] and p.get("License") == licence for p in files):
            problem(f"{path}: no paragraph for the built-in {library} under {licence}")


def main(arguments):
    if len(arguments) >= 3 and arguments[0] == "citation":
        check_citation(arguments[1], arguments[2])
    elif len(arguments) >= 3 and arguments[0] == "versions":
        check_versions(arguments[1], arguments[2:])
    elif len(arguments) == 3 and arguments[0] == "copyright":
        check_copyright(arguments[1], arguments[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for text in problems:
        print(text)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
