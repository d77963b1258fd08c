"""One cycle of a directed graph, for the checks of the repository plan
(check-layering.py on the folders' include rules, check-link-graph.py on the
build's link graph)."""


def find_cycle(edges):
    """A cycle of `edges` (node -> iterable of nodes) as the list of its
    nodes, the first repeated at the end; None when there is none. Nodes are
    visited in sorted order, so the same graph always gives the same cycle."""
    state = {}  # absent: unvisited; 1: on the current path; 2: done
    path = []

    def visit(node):
        state[node] = 1
        path.append(node)
        for other in sorted(edges.get(node, ())):
            if state.get(other) == 1:
                return path[path.index(other):] + [other]
            if other not in state:
                found = visit(other)
                if found:
                    return found
        path.pop()
        state[node] = 2
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None
