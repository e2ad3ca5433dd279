"""strings: the names of this area (see the package docstring)."""
__all__: list = []
