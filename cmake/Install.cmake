# Filled in by the installation work: program, desktop entry, icon, help.
