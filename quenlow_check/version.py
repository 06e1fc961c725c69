"""Quenlow's file and product version: the launcher's version block and the
kit check's SARIF log both name it."""

VERSION = (2, 1, 0, 122)
