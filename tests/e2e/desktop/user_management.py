"""User management by keyboard alone: two users added, the arrow keys move down the list, and
Delete takes the user the highlight is on; the other stays."""
import harness as h


def add_user(p, window, name):
    p.tab_to(window, "push button", "Add a new user")
    p.keys("space")
    box = p.window("Add a new user")
    p.activate("Add a new user")
    p.wait_focus(box, "text")
    p.type(name)
    p.keys("Return")
    p.gone("Add a new user")
    p.activate("User Management")


def main():
    folder = h.database_folder()
    p = h.Program(folder)
    h.new_school(p)
    h.logon(p, "ADMIN", "secret")
    p.keys("alt+a", "Return")  # Administrator, User Management
    users = p.window("User Management")
    p.activate("User Management")
    add_user(p, users, "ANN")
    add_user(p, users, "BOB")
    # The list holds ADMIN, ANN, BOB; the highlight is on BOB, the user just added.
    p.tab_to(users, "list item")
    p.keys("Home", "Down")
    p.wait_focus(users, "list item", "ANN")
    p.tab_to(users, "push button", "Delete this user ")
    p.keys("space")
    sure = p.window("Delete this user")
    p.activate("Delete this user")
    p.keys("y")  # the box's default is No: Yes by its letter
    p.gone("Delete this user")
    listed = p.find(users, "list", "Users")
    h.wait_for("ANN gone from the list", lambda: [h.fresh(listed).getChildAtIndex(i).name
                                               for i in range(h.fresh(listed).childCount)]
               == ["ADMIN", "BOB"])
    names = sorted(u["loginName"] for u in h.folder_info(folder)["users"])
    assert names == ["ADMIN", "BOB"], names


if __name__ == "__main__":
    h.scenario(main)
