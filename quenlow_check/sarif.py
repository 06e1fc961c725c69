"""The notes as a SARIF 2.1.0 log, the way code-scanning services read a
tool's findings (OASIS "Static Analysis Results Interchange Format"
2.1.0): one rule per kind of note, one result per note, at the INF's line,
the INF named by its path within the kit's folder."""

from __future__ import annotations

import json
from pathlib import Path, PurePosixPath
from urllib.parse import quote

from .notes import KINDS, Note

SCHEMA = "https://json.schemastore.org/sarif-2.1.0.json"
KIT = "KITROOT"


def sarif(notes: list[Note], kit: Path, inf_name: str, version: str) -> str:
    kinds = sorted({note.kind for note in notes})
    rules = [{"id": kind, "name": kind.title().replace("-", ""),
              "shortDescription": {"text": KINDS[kind][0]},
              "fullDescription": {"text": KINDS[kind][1]},
              "defaultConfiguration": {"level": "error" if KINDS[kind][2] else "warning"}}
             for kind in kinds]
    inf = {"uri": quote(str(PurePosixPath(*inf_name.replace("\\", "/").split("/")))),
           "uriBaseId": KIT}
    results = []
    for note in notes:
        location = {"artifactLocation": inf}
        if note.line:
            location["region"] = {"startLine": note.line}
        results.append({
            "ruleId": note.kind, "ruleIndex": kinds.index(note.kind),
            "level": "error" if note.stops else "warning",
            "message": {"text": f"{note.title}. {note.said} Change: {note.change}"},
            "locations": [{"physicalLocation": location}]})
    log = {"$schema": SCHEMA, "version": "2.1.0", "runs": [{
        "tool": {"driver": {"name": "Quenlow kit check", "version": version,
                            "rules": rules}},
        "originalUriBaseIds": {KIT: {"uri": Path(kit).resolve().as_uri() + "/",
                                     "description": {"text": "The kit's folder."}}},
        "results": results}]}
    return json.dumps(log, indent=2, ensure_ascii=False)
