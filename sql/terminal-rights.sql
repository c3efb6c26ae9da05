-- The rights of the terminals' database user (scripts/server-setup puts the user's name in place of
-- TOUCHMOVE): reading the shop's tables, drawing bill numbers and writing the bills, and making the per-branch
-- sales views "VIEW_SALQTY" + branch code, which the user then owns and so may drop again.
GRANT SELECT ON STORE_CHOISE TO USER TOUCHMOVE;
GRANT SELECT ON STOCK_ITEM TO USER TOUCHMOVE;
GRANT SELECT ON PRODUCT TO USER TOUCHMOVE;
GRANT SELECT ON STORE_QTY TO USER TOUCHMOVE;
GRANT SELECT ON SAL_SUB TO USER TOUCHMOVE;
GRANT SELECT, INSERT, UPDATE, DELETE ON TEMP_MOVEID TO USER TOUCHMOVE;
GRANT SELECT, INSERT ON MOVE_MASTER TO USER TOUCHMOVE;
GRANT SELECT, INSERT ON MOVE_SUB TO USER TOUCHMOVE;
GRANT CREATE VIEW TO USER TOUCHMOVE;
