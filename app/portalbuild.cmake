# portalbuild: added by the compiler's sources.
