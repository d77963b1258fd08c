# `cmake --graphviz=FILE` draws the build's own targets and their links only
# (scripts/check-link-graph.py reads it): no system libraries, no per-target
# files.
set(GRAPHVIZ_GRAPH_NAME "Mirtane")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
