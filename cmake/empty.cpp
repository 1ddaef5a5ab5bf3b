// Stands in for a source list that is still empty.
