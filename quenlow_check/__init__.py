"""Quenlow's kit check: what Windows will do with a kit before it ships."""
